#pragma once

#include "ConsultaEstado.h"
#include "VentanaProcedimiento.h"

#include <QElapsedTimer>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QLabel;
class QTimer;

// "Estado de la replicación": si la replicación corre, cuánto va atrasada, qué
// falló y si los datos del esclavo son los del maestro. Se actualiza sola cada
// 2 s; las consultas corren en hilos de trabajo con sus propias conexiones, así
// que un servidor que no contesta no congela la ventana: muestra
// "sin respuesta". "Verificar datos" compara las tablas de la base replicada
// trozo por trozo, cada uno en una misma posición del maestro, sin bloquear el
// maestro entero (lblProgreso dice cómo va); "Reiniciar replicación" detiene y
// arranca el esclavo.
class frmEstado : public VentanaProcedimiento {
    Q_OBJECT
public:
    // Renglones del maestro y del esclavo (índices de lblMaestro y lblEsclavo).
    enum FilaMaestro {
        MaestroServidor,
        MaestroRegistro,
        MaestroPosicion,
        MaestroBase,
        MaestroId,
        MaestroCuentas,
        MaestroEsclavos,
        FilasMaestro
    };
    enum FilaEsclavo {
        EsclavoInstancia,
        EsclavoMaestro,
        EsclavoLectura,
        EsclavoAplicacion,
        EsclavoErrorLectura,
        EsclavoErrorAplicacion,
        EsclavoSegundos,
        EsclavoPorLeer,
        EsclavoPorAplicar,
        FilasEsclavo
    };

    explicit frmEstado(QWidget* parent = nullptr);
    ~frmEstado() override;

    void cmdProceder_Click() override;
    void cmdVerificar_Click();
    void cmdReiniciar_Click();
    // Abre "Cambios en los archivos de opciones" (VentanaCambios), modal.
    void cmdCambios_Click();
    // Lanza las consultas de los servidores que no tengan una en curso.
    void Actualiza();

    bool Verificando() const { return verificando_; }

    QLabel* lblResumen = nullptr;
    // Qué significa el error que detuvo la replicación y qué hacer.
    QLabel* lblQueHacer = nullptr;
    QLabel* lblActualizado = nullptr;
    // Cómo va "Verificar datos": tablas, filas y el tiempo que falta.
    QLabel* lblProgreso = nullptr;
    std::vector<QLabel*> lblMaestro;
    std::vector<QLabel*> lblEsclavo;
    QPushButton* cmdVerificar = nullptr;
    QPushButton* cmdReiniciar = nullptr;
    QPushButton* cmdCambios = nullptr;
    QTimer* tmrActualiza = nullptr;

protected:
    void Form_Activate() override;
    // Una verificación en curso termina tras su trozo.
    void Form_Unload() override;

private:
    // Una consulta en curso en un hilo de trabajo.
    struct EnCurso {
        bool activa = false;
        bool sinRespuesta = false;
        QElapsedTimer reloj;
    };

    void ConstruyeControles();
    QLabel* CreaRenglon(const QString& nombre, const QString& etiqueta, int izquierda, int arriba,
                        int alto);
    // Los datos de conexión, leídos en cada actualización (el puerto de la
    // instancia puede cambiar entre una y otra).
    estado::Servidor ServidorMaestro() const;
    estado::Servidor ServidorEsclavo(QString& instancia, QString& falta) const;
    // Corre `trabajo` en un hilo de trabajo; `listo` corre después en el hilo
    // de la ventana, solo si la ventana sigue abierta.
    void EnTrabajo(std::function<void()> trabajo, std::function<void()> listo);
    void Vigila();
    void MuestraMaestro(const estado::EstadoMaestro& m);
    void MuestraEsclavo(const estado::EstadoEsclavo& e);
    // `error`: por qué no se pudo entrar, si se sabe.
    void MuestraSinRespuesta(bool maestro, const estado::ErrorConexion& error = {});
    void MuestraAtraso();
    void MuestraResumen();
    void MuestraVerificacion(const estado::Verificacion& v);

    EnCurso consultaMaestro_, consultaEsclavo_;
    std::optional<estado::EstadoMaestro> maestro_;
    std::optional<estado::EstadoEsclavo> esclavo_;
    QString faltaEsclavo_;
    bool verificando_ = false;
    std::shared_ptr<std::atomic<bool>> cancelaVerificacion_;
};
