#pragma once

#include "Errores.h"

#include <QDialog>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// Política de errores de una ventana: qué hace con el error de un paso antes de
// seguir con el siguiente.
using PoliticaError = std::function<void(const rtqx5::ErrorRT&)>;

// Cuadro crítico "ERROR" con TextoError (número y descripción) para todo error.
PoliticaError PoliticaGeneral();
// Como la general, pero -2147467259 (sentencia rechazada por el servidor) pasa
// sin mensaje.
PoliticaError PoliticaSilenciaServidor();

// Corre un paso; un ErrorRT (u otra excepción, como error 51) se informa con la
// política y se devuelve; sin error, nada.
std::optional<rtqx5::ErrorRT> CorrePaso(const PoliticaError& politica,
                                        const std::function<void()>& paso);

// La carpeta de MySQL que muestra la ventana principal en lblMuestra(1), con el
// separador final asegurado (AgregaDiagonal); "" sin ventana principal.
QString RutaMySQLPrincipal();

// Base de las ventanas de procedimiento (instancia, maestro, esclavo): la caja
// de captura, los arreglos txtDato y lblEtiq colocados en twips, la validación
// al dejar un campo, la primera activación, el paso con la política de la
// ventana, los comandos de consola con sus fallas anotadas y el cierre que
// espera al procedimiento en curso.
class VentanaProcedimiento : public QDialog {
    Q_OBJECT
public:
    ~VentanaProcedimiento() override;

    // True mientras corre el procedimiento de "Proceder".
    bool EnProceso() const { return enProceso_; }

    std::vector<QLineEdit*> txtDato;
    std::vector<QLabel*> lblEtiq;
    QPlainTextEdit* txtCapturaDOS = nullptr;
    QPushButton* cmdProceder = nullptr;

protected:
    // nombre: objectName de la ventana (su nombre de diseño).
    VentanaProcedimiento(const QString& nombre, const QString& caption, QWidget* parent);

    // ---- Construcción ------------------------------------------------------

    // Área cliente fija, en twips.
    void FijaAreaCliente(int ancho, int alto);
    // Coloca el control en twips (izquierda, arriba, ancho, alto), relativo a
    // su padre.
    void Coloca(QWidget* control, int izquierda, int arriba, int ancho, int alto) const;
    // lblEtiq(Index) con su texto (ajustado a varias líneas), en el padre dado
    // (por omisión la ventana).
    QLabel* CreaEtiqueta(int Index, const QString& texto, QWidget* padre = nullptr);
    // txtDato(Index) con su texto de diseño y su clase de captura ("9" solo
    // dígitos, "X" cualquiera; vacía: Enter sin clase).
    QLineEdit* CreaDato(int Index, const QString& texto, const QString& clase,
                        QWidget* padre = nullptr);
    // La caja txtCapturaDOS, con o sin barra de desplazamiento vertical.
    QPlainTextEdit* CreaCapturaDOS(bool conBarras);
    // cmdProceder, conectado a cmdProceder_Click (un clic que llega tras una
    // validación que retuvo el foco no cuenta).
    QPushButton* CreaProceder();
    // Fondo gris de los campos bloqueados (rojo 188, verde 186, azul 187).
    static void PonGris(QLineEdit* campo);
    // El orden de tabulación, en ese orden.
    void OrdenTabulacion(const std::vector<QWidget*>& controles);

    // ---- Validación al dejar un control ------------------------------------

    // Al pasar el foco del control a otro de esta ventana (Tab, Mayús+Tab,
    // ratón, flechas, Enter) corre la validación; con Cancel el foco vuelve al
    // control. Un cambio hacia otra ventana o el cierre no validan.
    void ValidaAlSalir(QWidget* control, std::function<void(bool& Cancel)> validacion);

    // ---- Eventos de diseño ---------------------------------------------------

    bool PrimeraActivacion = true;
    // En cada activación; sin gestor de ventanas, también tras mostrarse.
    virtual void Form_Activate() {}
    // Al descargar la ventana (una vez).
    virtual void Form_Unload() {}
    virtual void cmdProceder_Click() = 0;

    // ---- El procedimiento ----------------------------------------------------

    // Marca la corrida del procedimiento: mientras vive, EnProceso() es true,
    // el cierre espera, ningún campo, lista o casilla de la ventana admite
    // cambios y dejar un control no valida nada (los comandos dejan pasar los
    // eventos de la ventana); al terminar, los controles vuelven y un cierre
    // pedido se hace. Proceder lo maneja cada ventana.
    class Corrida {
    public:
        explicit Corrida(VentanaProcedimiento& ventana);
        ~Corrida();
        Corrida(const Corrida&) = delete;
        Corrida& operator=(const Corrida&) = delete;

    private:
        VentanaProcedimiento& ventana_;
    };

    // Corre un paso con la política de esta ventana.
    std::optional<rtqx5::ErrorRT> Paso(const std::function<void()>& paso);
    // Como Paso; su error queda además anotado como falla: `que`, ": " y la
    // descripción.
    std::optional<rtqx5::ErrorRT> PasoAnotado(const QString& que,
                                              const std::function<void()>& paso);
    PoliticaError politica;

    // Anota el comando en la bitácora y lo corre con EjecutaCMD en
    // txtCapturaDOS (modo 1, carpeta del programa). Un comando que no arranca o
    // que termina con código distinto de 0 se anota como falla con su salida.
    // `mostrado`: el texto del comando en la bitácora y en las fallas (con la
    // contraseña oculta); vacío, el comando mismo.
    // `encabezado`: líneas que quedan arriba de la salida en la caja mientras
    // el comando corre (la caja se vacía al empezar).
    // `entrada`: un archivo que el comando lee como su entrada estándar (la
    // bitácora lo muestra como «comando < "archivo"»); vacío, ninguno.
    bool EjecutaComando(const std::string& comando, const std::string& mostrado = {},
                        const QString& encabezado = {}, const std::string& entrada = {});
    // Lo mismo con el comando que arma `arma` (un armador de pasos, que lanza
    // ErrorRT con un valor que no llegaría intacto al programa): si no se
    // puede armar, se anota la falla con el motivo y no corre nada.
    bool EjecutaComando(const std::function<std::string()>& arma, const QString& encabezado = {},
                        const std::string& entrada = {});

    // Copia el archivo junto a sí mismo (<archivo>.<aaaammdd-hhnnss>.bak) antes
    // de cambiarlo y anota la copia en la bitácora, en la caja y en el aviso
    // final. Sin el archivo no hay nada que copiar (`copia` queda vacía). False
    // (con la falla anotada) si no se pudo copiar: entonces no se debe tocar.
    bool Respalda(const QString& ruta, QString* copia = nullptr);

    // Anota una falla de la corrida: `linea` la describe; `salida`, lo que
    // mostró (se repite al final si ya no está en la caja).
    void AnotaFalla(const QString& linea, const QString& salida = {});
    bool HuboFallas() const { return !fallas_.empty(); }
    void OlvidaFallas();
    // Líneas de estado de las fallas (y la salida de las que ya no se ven).
    void MuestraFallas();
    // "Proceso terminado" (información) sin fallas; con fallas, un aviso de que
    // el proceso terminó con errores y cuáles. Ambos nombran las copias de
    // respaldo de la corrida.
    void AvisoFinal(const QString& titulo);

    // Espera dejando correr los eventos de la ventana.
    static void EsperaConEventos(int milisegundos);

    // Muestra una línea de estado (MuestraPaso) en esta ventana.
    void Estado(const QString& texto, bool verificando = false);

    // Cerrar (botón de cierre, Alt+F4, Escape) mientras corre el procedimiento
    // no cierra: el cierre queda pedido y se hace al terminar la corrida.
    void done(int resultado) override;
    bool event(QEvent* evento) override;
    void showEvent(QShowEvent* evento) override;

private:
    struct Falla {
        QString linea;
        QString salida;
        int comando = -1; // número de comando que la produjo; -1 ninguno
    };

    void CambioDeFoco(QWidget* antes, QWidget* ahora);
    void Descarga();

    std::map<QWidget*, std::function<void(bool&)>> validaciones_;
    bool validando_ = false;
    QPointer<QWidget> rechazadoPor_;
    bool enProceso_ = false;
    bool cierrePendiente_ = false;
    bool descargada_ = false;
    QString caption_;
    std::vector<Falla> fallas_;
    QStringList respaldos_;
    int comandos_ = 0;
    std::vector<QPointer<QWidget>> bloqueados_;
};
