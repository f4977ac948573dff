#pragma once

#include <QDialog>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>

class QLabel;
class QPushButton;
#include "frmDescripcion.h"

// Ventana principal. Su carga (en el constructor) arma todo el estado del
// proceso (Proceso.h); su descarga libera los objetos de componentes. Si el
// arranque falla, Terminado() es true y el programa debe acabar sin más: el
// constructor no puede salir del bucle de eventos, main lo consulta antes de
// mostrarla; después del arranque se emite Finaliza.
class frmInicial : public QWidget {
    Q_OBJECT
public:
    // Crea la ventana de una opción cada vez que se abre (su carga corre de nuevo).
    using CreaVentana = std::function<std::unique_ptr<QDialog>()>;

    // carpetaPrograma y nombreEjecutable vacíos: los del ejecutable
    // (la carpeta de QCoreApplication y su nombre sin ".exe").
    explicit frmInicial(const QString& carpetaPrograma = {}, const QString& nombreEjecutable = {},
                        QWidget* parent = nullptr);
    ~frmInicial() override;

    // La ventana principal viva, para las ventanas que leen su icono o la ruta
    // de MySQL; nullptr cuando no hay.
    static frmInicial* Principal();
    // La carpeta de MySQL tal como muestra lblMuestra(1).
    QString RutaMySQL() const;

    // Conecta la opción (0 instancia, 1 maestro, 2 esclavo, 3 estado de la
    // replicación) con su ventana y habilita su botón.
    void AsignaOpcion(int Index, CreaVentana crea);

    bool Terminado() const { return Terminar; }
    int CodigoSalida() const { return codigoSalida_; }
    frmDescripcion* Descripcion() const { return descripcion_; }

    // Rutinas y eventos con sus nombres de diseño.
    void IniciaBitacora();
    void LiberaObjetos();
    void cmdLB_Click();
    void ggcOpc_Click(int Index);
    void Form_KeyDown(int KeyCode, int Shift);
    void Form_DblClick();

    std::array<QPushButton*, 4> ggcOpc{};
    QPushButton* cmdLB = nullptr;
    std::array<QLabel*, 3> lblEtiq{};
    std::array<QLabel*, 2> lblMuestra{};

signals:
    // El programa debe terminar con ese código (0 al cerrar la ventana).
    void Finaliza(int codigo);

protected:
    bool event(QEvent* evento) override;
    void showEvent(QShowEvent* evento) override;
    void closeEvent(QCloseEvent* evento) override;
    void keyPressEvent(QKeyEvent* evento) override;
    void mouseDoubleClickEvent(QMouseEvent* evento) override;
    bool eventFilter(QObject* objeto, QEvent* evento) override;

private:
    void ConstruyeControles();
    void Form_Load(const QString& carpetaPrograma, const QString& nombreEjecutable);
    void Form_Activate();
    bool Form_QueryUnload();
    void Form_Unload();
    void TerminaAhora();

    bool PrimeraActivacion = true;
    bool PreguntarAlSalir = true;
    bool Terminar = false;
    bool descargada_ = false;
    int codigoSalida_ = 0;
    std::array<CreaVentana, 4> opciones_{};
    QPointer<frmDescripcion> descripcion_;
};
