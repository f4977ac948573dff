#include "frmEstado.h"

#include "Mensajes.h"
#include "Modulo.h"
#include "OtrasVentanas.h"
#include "Proceso.h"

#include <QApplication>
#include <QFont>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QThreadPool>
#include <QTime>
#include <QTimer>
#include <memory>

namespace {

const QString kTitulo = QStringLiteral("Estado de la replicación");
const QString kSinRespuesta = QStringLiteral("sin respuesta");
const QString kNada = QStringLiteral("—");
constexpr int kIntervaloMs = 2000;
// Una consulta que tarda más que esto se muestra como "sin respuesta".
constexpr int kLimiteMs = 3000;
// Segundos que "Verificar datos" espera a que el esclavo llegue a la posición.
constexpr int kEsperaPosicion = 30;

// Los hilos de trabajo de las ventanas: hijos de la aplicación, que al
// terminar espera a los que sigan (cada uno acaba en sus límites de espera).
QThreadPool& Hilos() {
    static QPointer<QThreadPool> hilos;
    if (!hilos) {
        hilos = new QThreadPool(qApp);
        hilos->setMaxThreadCount(8);
    }
    return *hilos;
}

QString Hilo(const std::string& estado) {
    if (estado == "Yes")
        return QStringLiteral("corriendo");
    if (estado == "Connecting")
        return QStringLiteral("conectando");
    if (estado == "No")
        return QStringLiteral("detenido");
    return estado.empty() ? kNada : DeUtf8(estado);
}

QString ErrorHilo(long numero, const std::string& mensaje) {
    if (numero == 0 && mensaje.empty())
        return QStringLiteral("ninguno");
    // Qué significa y qué hacer se lee arriba, en lblQueHacer.
    return QStringLiteral("%1: %2").arg(numero).arg(DeUtf8(mensaje));
}

QString Pendiente(const estado::EstadoMaestro& m, const std::string& archivo,
                  std::uint64_t posicion) {
    const auto bytes = pasos::BytesPendientes(m.archivo, m.posicion, archivo, posicion, m.logs);
    if (bytes)
        return QStringLiteral("%1 bytes").arg(*bytes);
    return QStringLiteral("en otro archivo (%1 en el esclavo, %2 en el maestro)")
        .arg(DeUtf8(archivo), DeUtf8(m.archivo));
}

void Colorea(QLabel* etiqueta, const char* color) {
    etiqueta->setStyleSheet(QStringLiteral("color: %1;").arg(QLatin1String(color)));
}

} // namespace

frmEstado::frmEstado(QWidget* parent)
    : VentanaProcedimiento(QStringLiteral("frmEstado"), kTitulo, parent) {
    ConstruyeControles();
    tmrActualiza = new QTimer(this);
    tmrActualiza->setObjectName(QStringLiteral("tmrActualiza"));
    tmrActualiza->setInterval(kIntervaloMs);
    connect(tmrActualiza, &QTimer::timeout, this, &frmEstado::Actualiza);
    // Vigila las consultas en curso más a menudo que el intervalo.
    auto* vigia = new QTimer(this);
    vigia->setInterval(250);
    connect(vigia, &QTimer::timeout, this, &frmEstado::Vigila);
    vigia->start();
}

frmEstado::~frmEstado() {
    Form_Unload();
}

void frmEstado::Form_Unload() {
    if (cancelaVerificacion_)
        *cancelaVerificacion_ = true;
}

QLabel* frmEstado::CreaRenglon(const QString& nombre, const QString& etiqueta, int izquierda,
                               int arriba, int alto) {
    auto* titulo = new QLabel(etiqueta, this);
    titulo->setAlignment(Qt::AlignRight | Qt::AlignTop);
    Coloca(titulo, izquierda, arriba, 2280, 300);
    auto* valor = new QLabel(kNada, this);
    valor->setObjectName(nombre);
    valor->setWordWrap(true);
    valor->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    valor->setTextInteractionFlags(Qt::TextSelectableByMouse);
    Coloca(valor, izquierda + 2400, arriba, 3600, alto);
    return valor;
}

void frmEstado::ConstruyeControles() {
    FijaAreaCliente(12840, 10680);

    lblResumen = new QLabel(QStringLiteral("Consultando…"), this);
    lblResumen->setObjectName(QStringLiteral("lblResumen"));
    QFont grande = lblResumen->font();
    grande.setBold(true);
    grande.setPointSizeF(grande.pointSizeF() * 1.3);
    lblResumen->setFont(grande);
    Coloca(lblResumen, 240, 120, 12360, 420);
    lblQueHacer = new QLabel(this);
    lblQueHacer->setObjectName(QStringLiteral("lblQueHacer"));
    lblQueHacer->setWordWrap(true);
    lblQueHacer->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Coloca(lblQueHacer, 240, 540, 12360, 600);

    QFont negrita = font();
    negrita.setBold(true);
    const struct {
        const char* texto;
        int izquierda;
    } grupos[] = {{"Servidor MAESTRO", 240}, {"Servidor ESCLAVO", 6480}};
    for (const auto& g : grupos) {
        auto* titulo = new QLabel(QString::fromUtf8(g.texto), this);
        titulo->setFont(negrita);
        Coloca(titulo, g.izquierda, 1260, 6000, 300);
    }

    const struct {
        const char* nombre;
        const char* etiqueta;
        int alto;
    } maestro[] = {{"Servidor", "Servidor:", 600},
                   {"Registro", "Registro binario:", 300},
                   {"Posicion", "Archivo y posición:", 300},
                   {"Base", "binlog-do-db:", 300},
                   {"Id", "server-id:", 300},
                   // Un servidor del producto suele tener varias cuentas root
                   // con el permiso: cinco renglones caben aun con la letra
                   // más alta de Wine.
                   {"Cuentas", "Cuentas de replicación:", 1200},
                   {"Esclavos", "Esclavos conectados:", 1200}};
    int arriba = 1620;
    for (const auto& r : maestro) {
        lblMaestro.push_back(CreaRenglon(QStringLiteral("lblMaestro_") + QLatin1String(r.nombre),
                                         QString::fromUtf8(r.etiqueta), 240, arriba, r.alto));
        arriba += r.alto + 60;
    }
    const struct {
        const char* nombre;
        const char* etiqueta;
        int alto;
    } esclavo[] = {{"Instancia", "Instancia:", 300},
                   {"Maestro", "Su maestro:", 300},
                   {"Lectura", "Hilo de lectura:", 300},
                   {"Aplicacion", "Hilo de aplicación:", 300},
                   {"ErrorLectura", "Error de lectura:", 1200},
                   {"ErrorAplicacion", "Error de aplicación:", 1500},
                   {"Segundos", "Segundos de atraso:", 300},
                   {"PorLeer", "Por leer del maestro:", 300},
                   {"PorAplicar", "Por aplicar:", 300}};
    arriba = 1620;
    for (const auto& r : esclavo) {
        lblEsclavo.push_back(CreaRenglon(QStringLiteral("lblEsclavo_") + QLatin1String(r.nombre),
                                         QString::fromUtf8(r.etiqueta), 6480, arriba, r.alto));
        arriba += r.alto + 60;
    }

    cmdVerificar = new QPushButton(QStringLiteral("Verificar datos"), this);
    cmdVerificar->setObjectName(QStringLiteral("cmdVerificar"));
    cmdVerificar->setAutoDefault(false);
    connect(cmdVerificar, &QPushButton::clicked, this, &frmEstado::cmdVerificar_Click);
    Coloca(cmdVerificar, 240, 7260, 2160, 480);
    cmdReiniciar = new QPushButton(QStringLiteral("Reiniciar replicación"), this);
    cmdReiniciar->setObjectName(QStringLiteral("cmdReiniciar"));
    cmdReiniciar->setAutoDefault(false);
    connect(cmdReiniciar, &QPushButton::clicked, this, &frmEstado::cmdReiniciar_Click);
    Coloca(cmdReiniciar, 2520, 7260, 2160, 480);
    cmdCambios = new QPushButton(QStringLiteral("Cambios en los archivos"), this);
    cmdCambios->setObjectName(QStringLiteral("cmdCambios"));
    cmdCambios->setAutoDefault(false);
    cmdCambios->setEnabled(static_cast<bool>(VentanaCambios()));
    connect(cmdCambios, &QPushButton::clicked, this, &frmEstado::cmdCambios_Click);
    Coloca(cmdCambios, 4800, 7260, 2400, 480);
    lblActualizado = new QLabel(this);
    lblActualizado->setObjectName(QStringLiteral("lblActualizado"));
    lblActualizado->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Coloca(lblActualizado, 7320, 7260, 5280, 480);

    lblProgreso = new QLabel(this);
    lblProgreso->setObjectName(QStringLiteral("lblProgreso"));
    Coloca(lblProgreso, 240, 7860, 12360, 300);

    Coloca(CreaCapturaDOS(true), 240, 8220, 12360, 2280);
    OrdenTabulacion({cmdVerificar, cmdReiniciar, cmdCambios});
}

void frmEstado::Form_Activate() {
    if (!PrimeraActivacion)
        return;
    PrimeraActivacion = false;
    Actualiza();
    tmrActualiza->start();
}

estado::Servidor frmEstado::ServidorMaestro() const {
    const rtqx5::BasesDD& bd = *Proceso::BasesDD;
    return {bd.cRuta, bd.cPuerto, bd.cUsuario, bd.cPassword};
}

estado::Servidor frmEstado::ServidorEsclavo(QString& instancia, QString& falta) const {
    estado::Servidor s = ServidorMaestro();
    instancia = DeUtf8(Proceso::libRTSA->LeeIni("Configuración", "Instancia ESCLAVO",
                                                Utf8(Proceso::RutaConfiguracion)));
    if (instancia.isEmpty())
        instancia = QStringLiteral("MySQL");
    const QString ini = RutaMySQLPrincipal() + instancia + QStringLiteral(".ini");
    falta.clear();
    s.puerto.clear();
    if (Proceso::DeArchivos->HayArchivo(Utf8(ini)))
        s.puerto = Proceso::libRTSA->LeeIni("mysqld", "port", Utf8(ini));
    else
        falta = QStringLiteral("El archivo de instancia ") + ini + QStringLiteral(" no existe");
    return s;
}

void frmEstado::EnTrabajo(std::function<void()> trabajo, std::function<void()> listo) {
    QPointer<frmEstado> ventana(this);
    Hilos().start([trabajo = std::move(trabajo), listo = std::move(listo), ventana] {
        trabajo();
        // De vuelta en el hilo de la aplicación; la ventana pudo cerrarse.
        QMetaObject::invokeMethod(
            qApp,
            [listo, ventana] {
                if (ventana)
                    listo();
            },
            Qt::QueuedConnection);
    });
}

void frmEstado::Actualiza() {
    if (!consultaMaestro_.activa) {
        consultaMaestro_ = {true, false, {}};
        consultaMaestro_.reloj.start();
        auto resultado = std::make_shared<estado::EstadoMaestro>();
        EnTrabajo([s = ServidorMaestro(), resultado] { *resultado = estado::LeeMaestro(s); },
                  [this, resultado] {
                      consultaMaestro_.activa = false;
                      maestro_ = *resultado;
                      MuestraMaestro(*resultado);
                  });
    }
    if (!consultaEsclavo_.activa) {
        QString instancia, falta;
        const estado::Servidor s = ServidorEsclavo(instancia, falta);
        const QString puerto = DeUtf8(s.puerto);
        lblEsclavo[EsclavoInstancia]->setText(
            instancia + (puerto.isEmpty() ? QString() : QStringLiteral(", puerto ") + puerto));
        if (!falta.isEmpty()) {
            faltaEsclavo_ = falta;
            esclavo_.reset();
            MuestraSinRespuesta(false);
        } else {
            faltaEsclavo_.clear();
            consultaEsclavo_ = {true, false, {}};
            consultaEsclavo_.reloj.start();
            auto resultado = std::make_shared<estado::EstadoEsclavo>();
            EnTrabajo([s, resultado] { *resultado = estado::LeeEsclavo(s); },
                      [this, resultado] {
                          consultaEsclavo_.activa = false;
                          esclavo_ = *resultado;
                          MuestraEsclavo(*resultado);
                      });
        }
    }
}

void frmEstado::Vigila() {
    for (bool maestro : {true, false}) {
        EnCurso& c = maestro ? consultaMaestro_ : consultaEsclavo_;
        if (c.activa && !c.sinRespuesta && c.reloj.elapsed() > kLimiteMs) {
            c.sinRespuesta = true;
            if (maestro)
                maestro_.reset();
            else
                esclavo_.reset();
            MuestraSinRespuesta(maestro);
        }
    }
}

void frmEstado::MuestraSinRespuesta(bool maestro, const estado::ErrorConexion& error) {
    // Una cuenta rechazada sí contestó; lo demás es un servidor que no contesta.
    QString que =
        error.numero == 1045 ? QStringLiteral("rechazó la cuenta del producto") : kSinRespuesta;
    if (!error.mensaje.empty())
        que += QStringLiteral(" (") + DeUtf8(error.mensaje) + QStringLiteral(")");
    auto& filas = maestro ? lblMaestro : lblEsclavo;
    const int primera =
        maestro ? static_cast<int>(MaestroServidor) : static_cast<int>(EsclavoMaestro);
    for (int i = primera; i < static_cast<int>(filas.size()); ++i)
        filas[static_cast<std::size_t>(i)]->setText(kNada);
    if (maestro) {
        const auto s = ServidorMaestro();
        filas[MaestroServidor]->setText(
            QStringLiteral("%1:%2 %3").arg(DeUtf8(s.host), DeUtf8(s.puerto), que));
        Colorea(filas[MaestroServidor], "#b00000");
    } else {
        filas[EsclavoMaestro]->setText(faltaEsclavo_.isEmpty() ? que : faltaEsclavo_);
    }
    MuestraAtraso();
    MuestraResumen();
}

void frmEstado::MuestraMaestro(const estado::EstadoMaestro& m) {
    const auto s = ServidorMaestro();
    if (!m.responde) {
        MuestraSinRespuesta(true, m.error);
        return;
    }
    lblMaestro[MaestroServidor]->setText(
        QStringLiteral("%1:%2, versión %3")
            .arg(DeUtf8(s.host), DeUtf8(s.puerto), DeUtf8(m.version)));
    Colorea(lblMaestro[MaestroServidor], "black");
    lblMaestro[MaestroRegistro]->setText(m.registroBinario ? QStringLiteral("activo")
                                                           : QStringLiteral("apagado"));
    Colorea(lblMaestro[MaestroRegistro], m.registroBinario ? "#006000" : "#b00000");
    lblMaestro[MaestroPosicion]->setText(
        m.archivo.empty() ? kNada
                          : QStringLiteral("%1, %2").arg(DeUtf8(m.archivo)).arg(m.posicion));
    lblMaestro[MaestroBase]->setText(m.binlogDoDb.empty() ? kNada : DeUtf8(m.binlogDoDb));
    lblMaestro[MaestroId]->setText(m.serverId.empty() ? kNada : DeUtf8(m.serverId));
    if (m.cuentas) {
        QStringList cuentas;
        for (const auto& c : *m.cuentas)
            cuentas << DeUtf8(c);
        lblMaestro[MaestroCuentas]->setText(cuentas.isEmpty() ? QStringLiteral("ninguna")
                                                              : cuentas.join(QStringLiteral(", ")));
        // Las que no quepan se leen al pasar el ratón.
        lblMaestro[MaestroCuentas]->setToolTip(cuentas.join(QLatin1Char('\n')));
    } else {
        lblMaestro[MaestroCuentas]->setText(QStringLiteral("no se pueden leer con esta cuenta"));
        lblMaestro[MaestroCuentas]->setToolTip({});
    }
    QStringList esclavos;
    for (const auto& e : m.esclavos)
        esclavos << QStringLiteral("%1, hace %2 s").arg(DeUtf8(e.direccion), DeUtf8(e.segundos));
    lblMaestro[MaestroEsclavos]->setText(esclavos.isEmpty() ? QStringLiteral("ninguno")
                                                            : esclavos.join(QStringLiteral("\n")));
    lblActualizado->setText(QStringLiteral("Última actualización: ") +
                            QTime::currentTime().toString(QStringLiteral("HH:mm:ss")));
    MuestraAtraso();
    MuestraResumen();
}

void frmEstado::MuestraEsclavo(const estado::EstadoEsclavo& e) {
    if (!e.responde) {
        MuestraSinRespuesta(false, e.error);
        return;
    }
    if (!e.configurado) {
        for (int i = EsclavoMaestro; i < FilasEsclavo; ++i)
            lblEsclavo[static_cast<std::size_t>(i)]->setText(kNada);
        lblEsclavo[EsclavoMaestro]->setText(QStringLiteral("ninguno: no es esclavo"));
    } else {
        lblEsclavo[EsclavoMaestro]->setText(
            QStringLiteral("%1:%2").arg(DeUtf8(e.hostMaestro), DeUtf8(e.puertoMaestro)) +
            (e.baseReplicada.empty() ? QString()
                                     : QStringLiteral(", base ") + DeUtf8(e.baseReplicada)));
        lblEsclavo[EsclavoLectura]->setText(Hilo(e.hiloLectura));
        Colorea(lblEsclavo[EsclavoLectura], e.hiloLectura == "Yes" ? "#006000" : "#b00000");
        lblEsclavo[EsclavoAplicacion]->setText(Hilo(e.hiloAplicacion));
        Colorea(lblEsclavo[EsclavoAplicacion], e.hiloAplicacion == "Yes" ? "#006000" : "#b00000");
        lblEsclavo[EsclavoErrorLectura]->setText(ErrorHilo(e.numeroErrorLectura, e.errorLectura));
        lblEsclavo[EsclavoErrorAplicacion]->setText(
            ErrorHilo(e.numeroErrorAplicacion, e.errorAplicacion));
        lblEsclavo[EsclavoSegundos]->setText(e.segundosAtras ? QString::number(*e.segundosAtras)
                                                             : QStringLiteral("desconocido"));
    }
    lblActualizado->setText(QStringLiteral("Última actualización: ") +
                            QTime::currentTime().toString(QStringLiteral("HH:mm:ss")));
    MuestraAtraso();
    MuestraResumen();
}

void frmEstado::MuestraAtraso() {
    QString porLeer = kNada, porAplicar = kNada;
    if (maestro_ && maestro_->responde && esclavo_ && esclavo_->configurado) {
        porLeer = Pendiente(*maestro_, esclavo_->archivoLeido, esclavo_->posicionLeida);
        porAplicar = Pendiente(*maestro_, esclavo_->archivoAplicado, esclavo_->posicionAplicada);
    }
    lblEsclavo[EsclavoPorLeer]->setText(porLeer);
    lblEsclavo[EsclavoPorAplicar]->setText(porAplicar);
}

void frmEstado::MuestraResumen() {
    QString texto;
    const char* color = "#b00000";
    if (!faltaEsclavo_.isEmpty()) {
        texto = faltaEsclavo_;
    } else if (!esclavo_) {
        texto = consultaEsclavo_.sinRespuesta ? QStringLiteral("La instancia esclava no responde")
                                              : QStringLiteral("Consultando…");
        color = "black";
    } else if (!esclavo_->responde) {
        texto = esclavo_->error.numero == 1045
                    ? QStringLiteral("La instancia esclava rechazó la cuenta del producto")
                    : QStringLiteral("La instancia esclava no responde");
    } else if (!esclavo_->configurado) {
        texto = QStringLiteral("La instancia no es esclavo de ningún maestro");
    } else if (esclavo_->hiloLectura == "Yes" && esclavo_->hiloAplicacion == "Yes") {
        texto = QStringLiteral("La replicación funciona");
        color = "#006000";
        if (esclavo_->segundosAtras && *esclavo_->segundosAtras > 0)
            texto += QStringLiteral(", con %1 s de atraso").arg(*esclavo_->segundosAtras);
    } else if (esclavo_->hiloLectura == "Connecting") {
        texto = QStringLiteral("El esclavo no logra conectarse al maestro");
        color = "#b06000";
    } else {
        texto = QStringLiteral("La replicación está detenida");
    }
    QStringList queHacer;
    if (esclavo_ && esclavo_->configurado) {
        for (const auto& [numero, mensaje] :
             {std::pair{esclavo_->numeroErrorAplicacion, esclavo_->errorAplicacion},
              std::pair{esclavo_->numeroErrorLectura, esclavo_->errorLectura}}) {
            const std::string explicacion = pasos::ExplicaErrorReplicacion(numero, mensaje);
            if (!explicacion.empty() && !queHacer.contains(DeUtf8(explicacion)))
                queHacer << DeUtf8(explicacion);
        }
    }
    if (maestro_ && !maestro_->responde)
        texto += maestro_->error.numero == 1045
                     ? QStringLiteral(" (el servidor MAESTRO rechazó la cuenta del producto)")
                     : QStringLiteral(" (el servidor MAESTRO no responde)");
    lblResumen->setText(texto);
    Colorea(lblResumen, color);
    lblQueHacer->setText(queHacer.join(QLatin1Char(' ')));
}

// El procedimiento de esta ventana es la verificación de los datos.
void frmEstado::cmdProceder_Click() {
    cmdVerificar_Click();
}

void frmEstado::cmdVerificar_Click() {
    if (verificando_)
        return;
    QString instancia, falta;
    estado::Servidor esclavo = ServidorEsclavo(instancia, falta);
    if (!falta.isEmpty()) {
        rtqx5::MsgBox(Utf8(falta), rtqx5::vbCritical, "Error");
        return;
    }
    estado::Servidor maestro = ServidorMaestro();
    // Una tabla sin llave se suma entera, y la espera de la posición tarda.
    maestro.esperaConexion = esclavo.esperaConexion = 5;
    maestro.esperaLectura = esclavo.esperaLectura = kEsperaPosicion + 60;
    verificando_ = true;
    // Un reinicio a media verificación le movería el esclavo.
    cmdVerificar->setEnabled(false);
    cmdReiniciar->setEnabled(false);
    txtCapturaDOS->clear();
    Estado(QStringLiteral("los datos del esclavo con los del maestro"), true);
    lblProgreso->setText(QStringLiteral("Verificando…"));
    cancelaVerificacion_ = std::make_shared<std::atomic<bool>>(false);
    estado::ControlVerificacion control;
    control.cancelada = cancelaVerificacion_;
    // Desde el hilo de trabajo: la línea se pone en el de la ventana.
    QPointer<frmEstado> ventana(this);
    control.avance = [ventana](const estado::AvanceVerificacion& a) {
        QMetaObject::invokeMethod(
            qApp,
            [ventana, linea = estado::LineaAvance(a)] {
                if (ventana)
                    ventana->lblProgreso->setText(DeUtf8(linea));
            },
            Qt::QueuedConnection);
    };
    auto resultado = std::make_shared<estado::Verificacion>();
    EnTrabajo(
        [maestro, esclavo, resultado, control] {
            *resultado = estado::VerificaDatos(maestro, esclavo, kEsperaPosicion, control);
        },
        [this, resultado] {
            verificando_ = false;
            cmdVerificar->setEnabled(true);
            cmdReiniciar->setEnabled(true);
            MuestraVerificacion(*resultado);
            Actualiza();
        });
}

void frmEstado::MuestraVerificacion(const estado::Verificacion& v) {
    // Los trozos distintos que se nombran por tabla; del resto, cuántos.
    constexpr std::size_t kRangosMostrados = 10;
    for (const auto& t : v.tablas) {
        if (!v.completa)
            break;
        const QString nombre = DeUtf8(t.nombre) + QStringLiteral(": ");
        if (t.llave.empty() && t.msBloqueoEntera)
            Estado(nombre + QStringLiteral("sin llave primaria ni única: se revisó entera, con la "
                                           "tabla bloqueada %1 ms")
                                .arg(*t.msBloqueoEntera));
        if (t.igual) {
            Estado(nombre + QStringLiteral("igual"));
        } else if (!t.enEsclavo) {
            Estado(nombre + QStringLiteral("falta en el esclavo"));
        } else if (!t.error.empty()) {
            Estado(nombre + QStringLiteral("distinta (%1)").arg(DeUtf8(t.error)));
        } else {
            Estado(nombre + QStringLiteral("distinta (maestro %1 filas, esclavo %2 filas)")
                                .arg(t.filasMaestro)
                                .arg(t.filasEsclavo));
            for (std::size_t i = 0; i < t.rangos.size() && i < kRangosMostrados; ++i)
                Estado(DeUtf8(estado::DescribeRango(t, t.rangos[i])));
            if (t.rangos.size() > kRangosMostrados)
                Estado(nombre + QStringLiteral("y %1 trozos distintos más")
                                    .arg(t.rangos.size() - kRangosMostrados));
        }
    }
    if (v.trozos > 0)
        Estado(QStringLiteral("Cada tabla del MAESTRO se bloqueó a lo más %1 ms seguidos (%2 "
                              "%3); el MAESTRO nunca se bloqueó entero")
                   .arg(v.msBloqueoMaximo)
                   .arg(v.trozos)
                   .arg(v.trozos == 1 ? QStringLiteral("trozo") : QStringLiteral("trozos")));
    const QString resumen = v.completa ? DeUtf8(estado::ResumenVerificacion(v))
                                       : QStringLiteral("No se pudo verificar: ") + DeUtf8(v.error);
    Estado(resumen);
    lblProgreso->setText(resumen);
    if (!v.reanudado) {
        const QString aviso = QStringLiteral("No se pudo reanudar el hilo de aplicación del "
                                             "esclavo: use «Reiniciar replicación»");
        Estado(aviso);
        rtqx5::MsgBox(Utf8(aviso), rtqx5::vbCritical, "ERROR");
    }
}

void frmEstado::cmdCambios_Click() {
    if (!VentanaCambios())
        return;
    std::unique_ptr<QDialog> ventana = VentanaCambios()(this);
    if (!ventana)
        return;
    ventana->setWindowModality(Qt::ApplicationModal);
    ventana->exec();
    // Una versión restaurada cambia lo que hay que mostrar.
    Actualiza();
}

void frmEstado::cmdReiniciar_Click() {
    if (!Confirma(QStringLiteral("¿Desea detener y volver a arrancar la replicación del esclavo?"),
                  QStringLiteral("Confirmación requerida"), true))
        return;
    QString instancia, falta;
    const estado::Servidor esclavo = ServidorEsclavo(instancia, falta);
    if (!falta.isEmpty()) {
        rtqx5::MsgBox(Utf8(falta), rtqx5::vbCritical, "Error");
        return;
    }
    cmdReiniciar->setEnabled(false);
    cmdVerificar->setEnabled(false);
    Estado(QStringLiteral("stop slave, start slave"));
    Paso([] { EscribeBitacora(QStringLiteral("stop slave")); });
    Paso([] { EscribeBitacora(QStringLiteral("start slave")); });
    auto error = std::make_shared<std::string>();
    EnTrabajo([esclavo, error] { *error = estado::ReiniciaReplicacion(esclavo); },
              [this, error] {
                  cmdReiniciar->setEnabled(true);
                  cmdVerificar->setEnabled(true);
                  Estado(error->empty()
                             ? QStringLiteral("Replicación reiniciada")
                             : QStringLiteral("No se pudo reiniciar: ") + DeUtf8(*error));
                  Actualiza();
              });
}
