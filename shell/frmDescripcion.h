#pragma once

#include <QSizeF>
#include <QWidget>
#include <optional>

class QAction;
class QMenu;
class QMenuBar;
class QTextEdit;

// Ventana sin modo "Descripción del programa": una caja de texto enriquecido
// que llena la ventana y el menú "Uno". Recuerda su posición y tamaño en la
// sección "frmDescripcion" del archivo de configuración. Se destruye al
// cerrarse (después de guardar su colocación).
class frmDescripcion : public QWidget {
    Q_OBJECT
public:
    explicit frmDescripcion(QWidget* parent = nullptr);

    // Medidas de la caja para unas medidas exteriores de la ventana (twips):
    // ancho − 260 y alto − 600 en precisión simple; vacío cuando alguna saldría
    // negativa (ventana demasiado pequeña o minimizada).
    static std::optional<QSizeF> MedidasCaja(double anchoTwips, double altoTwips);

    void mnDescrip_Click();
    void mnEditINI_Click();

    QMenuBar* barraMenu = nullptr;
    QMenu* mnUno = nullptr;
    QAction* mnDescrip = nullptr;
    QAction* mnEditINI = nullptr;
    QTextEdit* rtbTexto = nullptr;

protected:
    void resizeEvent(QResizeEvent* evento) override;
    void closeEvent(QCloseEvent* evento) override;

private:
    void Form_Load();
    void Form_Resize();
    void Form_Unload();
};
