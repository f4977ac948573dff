#include "frmInstancia.h"

#include "ArchivoOpciones.h"
#include "CambioOpciones.h"
#include "Campos.h"
#include "ClaveTemporal.h"
#include "Mensajes.h"
#include "Modulo.h"
#include "OpcionMySQL.h"
#include "PasosInstancia.h"
#include "Proceso.h"
#include "Rutas.h"
#include "Sistema.h"
#include "TextosProcedimiento.h"
#include "Valores.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QStringList>
#include <ctime>
#include <filesystem>
#include <optional>
#include <system_error>

namespace {

const QString kTitulo = QStringLiteral("Nueva instancia");
// Cada aviso termina con una línea en blanco.
const QString kFinAviso = QStringLiteral("\r\n\r\n");

} // namespace

frmInstancia::frmInstancia(QWidget* parent)
    : VentanaProcedimiento(QStringLiteral("frmInstancia"),
                           QStringLiteral("Nueva instancia de MySQL en este servidor"), parent) {
    ConstruyeControles();
    Form_Load();
}

frmInstancia::~frmInstancia() = default;

void frmInstancia::ConstruyeControles() {
    FijaAreaCliente(9360, 7080);

    // De arriba abajo: campo 0, campo 2, campo 1 y el marco con 3, 4 y 5.
    Coloca(CreaEtiqueta(0, QStringLiteral("Nombre para la nueva instancia:")), 240, 285, 3960, 285);
    Coloca(CreaDato(0, QStringLiteral("QXmirror"), QString()), 4320, 240, 2415, 345);
    Coloca(CreaEtiqueta(2, QStringLiteral("Archivo «.INI» para MySQL:")), 240, 765, 3960, 285);
    Coloca(CreaDato(2, QStringLiteral("QXmirror.ini"), QString()), 4320, 720, 2415, 345);
    Coloca(CreaEtiqueta(1, QStringLiteral("Directorio o carpeta para las bases de datos MIRROR:")),
           240, 1245, 3960, 525);
    txtDatoMultiLinea = new QPlainTextEdit(this);
    txtDatoMultiLinea->setObjectName(QStringLiteral("txtDato_1"));
    txtDatoMultiLinea->setTabChangesFocus(true);
    txtDatoMultiLinea->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    txtDatoMultiLinea->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    txtDatoMultiLinea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Sin Teclas: las flechas se mueven entre sus líneas.
    PreparaCampo(txtDatoMultiLinea, QString(), false);
    Coloca(txtDatoMultiLinea, 4320, 1200, 4800, 615);

    Frame1 = new QGroupBox(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Coloca(Frame1, 240, 1920, 6735, 1620);
    const struct {
        int indice;
        const char* etiqueta;
        int arriba;
        int ancho;
    } cuenta[] = {{3, "Usuario para que conecte ORVALO al MIRROR:", 300, 2415},
                  {4, "Contraseña:", 720, 2415},
                  {5, "Puerto:", 1140, 615}};
    for (const auto& c : cuenta) {
        Coloca(CreaEtiqueta(c.indice, QString::fromUtf8(c.etiqueta), Frame1), 120, c.arriba + 45,
               3840, 285);
        QLineEdit* campo =
            CreaDato(c.indice, QString(), c.indice == 5 ? QStringLiteral("9") : QString(), Frame1);
        Coloca(campo, 4080, c.arriba, c.ancho, 345);
    }
    for (int i : {3, 4}) {
        txtDato[i]->setReadOnly(true);
        PonGris(txtDato[i]);
    }
    txtDato[5]->setText(QStringLiteral("3308"));
    txtDato[5]->setAlignment(Qt::AlignRight);
    txtDato[5]->setMaxLength(4);

    Coloca(CreaProceder(), 7320, 2985, 1800, 480);
    Coloca(CreaCapturaDOS(false), 240, 3720, 8880, 3120);

    OrdenTabulacion({txtDato[0], txtDatoMultiLinea, txtDato[2], txtDato[3], txtDato[4], txtDato[5],
                     cmdProceder});
    for (int i = 0; i <= 5; ++i)
        ValidaAlSalir(Campo(i), [this, i](bool& Cancel) { txtDato_Validate(i, Cancel); });
}

void frmInstancia::Form_Load() {
    PrimeraActivacion = true;
    txtDatoMultiLinea->setPlainText(DeUtf8(rtqx5::UneRuta(Utf8(Proceso::CarpetaPrograma), "data")));
    if (Proceso::BasesDD) {
        txtDato[3]->setText(DeUtf8(Proceso::BasesDD->cUsuario));
        txtDato[4]->setText(DeUtf8(Proceso::BasesDD->cPassword));
    }
}

void frmInstancia::Form_Activate() {
    if (!PrimeraActivacion)
        return;
    PrimeraActivacion = false;
    txtDato[0]->setFocus(Qt::OtherFocusReason);
}

QWidget* frmInstancia::Campo(int Index) const {
    if (Index == 1)
        return txtDatoMultiLinea;
    return txtDato[static_cast<std::size_t>(Index)];
}

QString frmInstancia::TextoControl(int Index) const {
    if (Index == 1)
        return txtDatoMultiLinea->toPlainText();
    return txtDato[static_cast<std::size_t>(Index)]->text();
}

QString frmInstancia::Dato(int Index) const {
    if (fijados_)
        return valores_[static_cast<std::size_t>(Index)];
    return TextoControl(Index);
}

QString frmInstancia::MotivoCampo(int Index, const QString& valor) const {
    if (Index != 4 && valor.trimmed().isEmpty())
        return QStringLiteral("está vacío.");
    const std::string v = Utf8(valor);
    switch (Index) {
    case 0:
        return DeUtf8(pasos::RevisaNombreServicio(v));
    case 1:
        return DeUtf8(pasos::RevisaCarpetaAbsoluta(v, pasos::kMaxValorOpcion));
    case 2:
        return DeUtf8(pasos::RevisaNombreArchivo(v, pasos::kMaxValorOpcion));
    case 5:
        return DeUtf8(pasos::RevisaPuerto(v));
    default:
        return DeUtf8(pasos::RevisaTexto(v, pasos::kMaxValorOpcion));
    }
}

void frmInstancia::RechazaCampo(int Index, const QString& motivo) {
    rtqx5::Beep();
    const QString campo = lblEtiq[static_cast<std::size_t>(Index)]->text();
    rtqx5::MsgBox(Utf8(QStringLiteral("El campo «") + campo + QStringLiteral("» ") + motivo),
                  rtqx5::vbCritical, Utf8(kTitulo));
}

void frmInstancia::txtDato_Validate(int Index, bool& Cancel) {
    const QString motivo = MotivoCampo(Index, TextoControl(Index));
    Cancel = !motivo.isEmpty();
    if (Cancel)
        RechazaCampo(Index, motivo);
}

bool frmInstancia::RevisaCampos() {
    for (int i = 0; i <= 5; ++i)
        if (const QString motivo = MotivoCampo(i, Dato(i)); !motivo.isEmpty()) {
            RechazaCampo(i, motivo);
            return false;
        }
    return true;
}

void frmInstancia::cmdProceder_Click() {
    if (EnProceso())
        return;
    Corrida corrida(*this);
    // Los valores de la corrida se toman una vez: lo que se verifica y se
    // confirma es lo que se usa.
    for (int i = 0; i <= 5; ++i)
        valores_[static_cast<std::size_t>(i)] = TextoControl(i);
    fijados_ = true;
    const auto suelta = qScopeGuard([this] { fijados_ = false; });

    txtCapturaDOS->clear();
    if (!RevisaCampos()) {
        Estado(QStringLiteral("No se creó la nueva instancia"));
        return;
    }
    const QString NombreInstancia = Dato(0);
    const QString RutaMySQL = RutaMySQLPrincipal();
    const Verificacion v = Verifica(RutaMySQL, NombreInstancia);
    if (!v.Rechazos.isEmpty()) {
        rtqx5::MsgBox(
            Utf8(QStringLiteral("No se puede crear la nueva instancia:\r\n\r\n") + v.Rechazos),
            rtqx5::vbCritical, Utf8(kTitulo));
        Estado(QStringLiteral("No se creó la nueva instancia"));
        return;
    }
    // Los avisos solo informan: la confirmación decide.
    if (!v.Avisos.isEmpty())
        rtqx5::MsgBox(Utf8(v.Avisos), rtqx5::vbExclamation, "Atención");
    if (!Confirma(QStringLiteral("Confirme si desea crear la nueva instancia de MySQL:"),
                  QStringLiteral("Crear instancia"), true)) {
        Estado(QStringLiteral("No se creó la nueva instancia"));
        return;
    }
    cmdProceder->setEnabled(false);

    Creado creado;
    const std::optional<std::string> iniAntes = pasos::LeeArchivoEntero(Utf8(v.IniNuevo));
    Estado(QStringLiteral("Creando ") + v.IniNuevo);
    CreaArchivoOpciones(v.IniOriginal, v.IniNuevo);
    if (const auto iniDespues = pasos::LeeArchivoEntero(Utf8(v.IniNuevo));
        iniDespues && iniDespues != iniAntes)
        creado.ini = v.IniNuevo;
    // Una carpeta de datos que ya existía no tiene carpeta mysql (se rechaza):
    // lo que se crea es esa.
    const std::string nueva = pasos::PrimeraCarpetaNueva(Utf8(v.DatosNuevo));
    const QString carpetaCreada =
        nueva.empty() ? v.DatosNuevo + QStringLiteral("mysql") : DeUtf8(nueva);
    Estado(QStringLiteral("Creando ") + v.DatosNuevo);
    const int sinCopiar = CopiaBaseSistema(v.DatosOriginal, v.DatosNuevo);
    if (Proceso::DeArchivos->HayCarpeta(Utf8(carpetaCreada)))
        creado.carpeta = carpetaCreada;
    ComandosDelServicio(RutaMySQL, v.IniNuevo, NombreInstancia, sinCopiar > 0, creado);

    // Con fallas, lo que mostraron los comandos se queda en la caja.
    if (HuboFallas())
        MuestraFallas();
    Estado(QStringLiteral("Fin del proceso"));
    AvisoFinal(kTitulo);
}

frmInstancia::Verificacion frmInstancia::Verifica(const QString& RutaMySQL,
                                                  const QString& NombreInstancia) {
    Verificacion v;
    QString EjecutableMySQLd;
    // Una carpeta que no cabe en una línea de órdenes no sirve para nada.
    if (const auto error = CorrePaso(nullptr, [&] {
            EjecutableMySQLd = DeUtf8(pasos::ProgramaMySQL(Utf8(RutaMySQL), "mysqld"));
        }))
        v.Rechazos += DeUtf8(error->Descripcion()) + kFinAviso;
    Estado(QStringLiteral("MySQLd ") + EjecutableMySQLd, true);

    v.IniOriginal = RutaMySQL + QStringLiteral("my.ini");
    v.IniNuevo = RutaMySQL + Dato(2);
    Estado(QStringLiteral("INI original ") + v.IniOriginal, true);
    if (Proceso::DeArchivos->HayArchivo(Utf8(v.IniOriginal))) {
        Paso([&] {
            v.DatosOriginal = DeUtf8(pasos::CarpetaDatosOriginal(
                Proceso::libRTSA->LeeIni("mysqld", "datadir", Utf8(v.IniOriginal))));
        });
        Estado(QStringLiteral("Ruta de DATA ") + v.DatosOriginal, true);
    } else {
        v.Avisos += QStringLiteral("El archivo «") + v.IniOriginal + QStringLiteral("» no existe") +
                    kFinAviso;
    }
    Estado(QStringLiteral("Nuevo INI ") + v.IniNuevo, true);
    if (pasos::MismaRuta(Utf8(v.IniNuevo), Utf8(v.IniOriginal)))
        v.Rechazos += QStringLiteral("El archivo «") + v.IniNuevo +
                      QStringLiteral("» es el del servidor instalado") + kFinAviso;
    else if (Proceso::DeArchivos->HayArchivo(Utf8(v.IniNuevo)))
        v.Avisos +=
            QStringLiteral("El archivo «") + v.IniNuevo + QStringLiteral("» ya existe") + kFinAviso;
    v.DatosNuevo = Dato(1);
    AgregaDiagonal(v.DatosNuevo);
    Estado(v.DatosNuevo, true);
    if (Proceso::DeArchivos->HayCarpeta(Utf8(v.DatosNuevo)))
        v.Avisos +=
            QStringLiteral("La ruta «") + v.DatosNuevo + QStringLiteral("» ya existe") + kFinAviso;
    const std::uint16_t puerto = rtqx5::PuertoValido(Utf8(Dato(5)));
    if (puerto != 0 && pasos::PuertoOcupado(puerto))
        v.Avisos += QStringLiteral("El puerto ") + Dato(5) +
                    QStringLiteral(" ya está en uso en este equipo") + kFinAviso;
    if (pasos::ExisteServicio(Utf8(NombreInstancia)))
        v.Rechazos += QStringLiteral("El servicio «") + NombreInstancia +
                      QStringLiteral("» ya existe") + kFinAviso;
    RechazosDelServidorInstalado(v);
    Estado(QStringLiteral("Verificación concluída"));
    return v;
}

// La carpeta de datos y el puerto del servidor instalado (y el del producto)
// no se comparten nunca.
void frmInstancia::RechazosDelServidorInstalado(Verificacion& v) {
    const QString separador(QLatin1Char(rtqx5::SeparadorRuta()));
    if (pasos::OrigenDeCopia(Utf8(v.DatosOriginal)) &&
        pasos::MismaRuta(Utf8(v.DatosNuevo), Utf8(v.DatosOriginal)))
        v.Rechazos += QStringLiteral("La ruta «") + v.DatosNuevo +
                      QStringLiteral("» es la carpeta de datos del servidor instalado") + kFinAviso;
    else if (Proceso::DeArchivos->HayCarpeta(Utf8(v.DatosNuevo + QStringLiteral("mysql"))))
        v.Rechazos += QStringLiteral("La ruta «") + v.DatosNuevo +
                      QStringLiteral("» ya tiene una carpeta mysql: es la de otro servidor") +
                      kFinAviso;

    const std::uint16_t puerto = rtqx5::PuertoValido(Utf8(Dato(5)));
    std::uint16_t instalado = 0;
    if (Proceso::DeArchivos->HayArchivo(Utf8(v.IniOriginal)))
        Paso([&] {
            const std::string leido =
                Proceso::libRTSA->LeeIni("mysqld", "port", Utf8(v.IniOriginal));
            // Sin port, el servidor escucha en el de siempre.
            instalado = rtqx5::PuertoValido(leido.empty() ? "3306" : leido);
        });
    const std::uint16_t producto =
        Proceso::BasesDD ? rtqx5::PuertoValido(Proceso::BasesDD->cPuerto) : 0;
    if (puerto != 0 && puerto == instalado)
        v.Rechazos += QStringLiteral("El puerto ") + Dato(5) +
                      QStringLiteral(" es el del servidor instalado") + kFinAviso;
    else if (puerto != 0 && puerto == producto)
        v.Rechazos += QStringLiteral("El puerto ") + Dato(5) +
                      QStringLiteral(" es el de la base de datos del producto") + kFinAviso;
}

void frmInstancia::CreaArchivoOpciones(const QString& IniOriginal, const QString& IniNuevo) {
    // Un archivo de ese nombre que ya existía se guarda antes de reemplazarlo;
    // si no se puede guardar, no se toca.
    if (!Respalda(IniNuevo))
        return;

    // Sin el archivo del servidor instalado, las claves van al que ya hubiera
    // (53: "No se ha encontrado el archivo" de las instrucciones clásicas).
    constexpr long kArchivoNoEncontrado = 53;
    std::string origen = Utf8(IniOriginal);
    if (!Proceso::DeArchivos->HayArchivo(origen)) {
        PasoAnotado(QStringLiteral("No se pudo copiar «%1» en «%2»").arg(IniOriginal, IniNuevo),
                    [&] {
                        throw rtqx5::ErrorRT(kArchivoNoEncontrado,
                                             "No se ha encontrado el archivo: " + origen);
                    });
        origen.clear();
    }
    // El archivo entero se arma junto a su nombre final y se pone de una vez:
    // una falla no deja un archivo a medias. La instancia nueva nunca hereda
    // el server-id del servidor instalado.
    const std::string puerto = Utf8(Dato(5));
    PasoAnotado(QStringLiteral("No se pudo crear «%1»").arg(IniNuevo), [&] {
        const std::vector<pasos::ClaveOpcion> claves = {
            {"client", "port", puerto},
            {"mysqld", "port", puerto},
            {"mysqld", "datadir", pasos::ValorDatadir(Utf8(Dato(1))), true},
            {"mysqld", "server-id", pasos::OtroIdServidor(Utf8(IniOriginal))},
        };
        const std::string nuevo = pasos::PreparaArchivoNuevo(Utf8(IniNuevo), claves, origen);
        try {
            pasos::InstalaArchivoNuevo(nuevo, Utf8(IniNuevo));
        } catch (...) {
            pasos::DescartaArchivoNuevo(nuevo);
            throw;
        }
    });
}

int frmInstancia::CopiaBaseSistema(const QString& DatosOriginal, const QString& DatosNuevo) {
    const QString separador(QLatin1Char(rtqx5::SeparadorRuta()));
    const QString carpetaNueva = DatosNuevo + QStringLiteral("mysql");
    // Una carpeta que no se puede crear es un error del paso: se informa y el
    // procedimiento sigue con los comandos.
    bool creada = false;
    PasoAnotado(QStringLiteral("No se copió la base mysql"), [&] {
        if (!Proceso::DeArchivos->CreaRuta(Utf8(carpetaNueva)))
            throw rtqx5::ErrorRT(rtqx5::kErrorArchivo,
                                 "No se pudo crear la carpeta " + Utf8(carpetaNueva));
        creada = true;
    });
    if (!creada)
        return 0;
    // Sin carpeta de datos del servidor instalado no hay de dónde copiar (y
    // nunca de la raíz).
    if (!pasos::OrigenDeCopia(Utf8(DatosOriginal))) {
        Estado(QStringLiteral("No se copió la base mysql: no se conoce la carpeta de datos del "
                              "servidor instalado"));
        return 0;
    }

    const QString origen = DatosOriginal + QStringLiteral("mysql") + separador;
    const QString destino = carpetaNueva + separador;
    if (pasos::MismaCarpeta(Utf8(origen), Utf8(destino))) {
        Estado(QStringLiteral("No se copió la base mysql: la carpeta nueva es la del servidor "
                              "instalado"));
        return 0;
    }
    std::vector<std::string> nombres;
    if (PasoAnotado(QStringLiteral("No se pudo leer la carpeta «%1»").arg(origen),
                    [&] { nombres = pasos::ArchivosComunes(Utf8(origen)); }))
        return 0;
    const pasos::ArchivosSistema archivos = pasos::SeparaArchivosSistema(nombres);
    for (const std::string& nombre : archivos.copiar) {
        const QString archivo = DeUtf8(nombre);
        Estado(QStringLiteral("Copiando ") + archivo);
        PasoAnotado(QStringLiteral("No se pudo copiar ") + archivo, [&] {
            Proceso::DeArchivos->Copia(Utf8(origen + archivo), Utf8(destino + archivo));
        });
    }
    if (!archivos.omitir.empty()) {
        QStringList omitidos;
        for (const std::string& nombre : archivos.omitir)
            omitidos << DeUtf8(nombre);
        Estado(QStringLiteral("Sin copiar (tablas InnoDB; las recrea mysql_upgrade): ") +
               omitidos.join(QStringLiteral(", ")));
    }
    return static_cast<int>(archivos.omitir.size());
}

void frmInstancia::ComandosDelServicio(const QString& RutaMySQL, const QString& IniNuevo,
                                       const QString& NombreInstancia, bool actualizaSistema,
                                       Creado creado) {
    creado.servicio = EjecutaComando([&] {
        return pasos::ComandoInstalaServicio(Utf8(RutaMySQL), Utf8(NombreInstancia),
                                             Utf8(IniNuevo));
    });

    if (EjecutaComando([&] { return pasos::ComandoArrancaServicio(Utf8(NombreInstancia)); })) {
        if (actualizaSistema)
            ActualizaSistema(RutaMySQL);
        return;
    }
    if (actualizaSistema)
        AnotaFalla(QStringLiteral("No se corrió mysql_upgrade porque «net start %1» terminó con "
                                  "error: faltan las tablas InnoDB de la base mysql que no se "
                                  "copiaron")
                       .arg(NombreInstancia));
    OfreceDeshacer(RutaMySQL, NombreInstancia, creado);
}

void frmInstancia::ActualizaSistema(const QString& RutaMySQL) {
    const std::string usuario = Proceso::BasesDD ? Proceso::BasesDD->cUsuario : std::string();
    const std::string clave = Proceso::BasesDD ? Proceso::BasesDD->cPassword : std::string();
    const std::uint16_t puerto = rtqx5::PuertoValido(Utf8(Dato(5)));
    // La contraseña va en un archivo temporal que solo lee este usuario y
    // que desaparece al terminar el comando.
    std::optional<pasos::ClaveTemporal> archivo;
    if (!clave.empty() &&
        PasoAnotado(QStringLiteral("No se corrió mysql_upgrade"), [&] { archivo.emplace(clave); }))
        return;
    EjecutaComando([&] {
        return pasos::ComandoActualizaSistema(
            Utf8(RutaMySQL), archivo ? archivo->Opcion() : std::string(), usuario, puerto);
    });
}

void frmInstancia::OfreceDeshacer(const QString& RutaMySQL, const QString& NombreInstancia,
                                  const Creado& creado) {
    const QString servicio = QStringLiteral("el registro del servicio «%1»").arg(NombreInstancia);
    const QString ini = QStringLiteral("el archivo «%1»").arg(creado.ini);
    const QString carpeta =
        QStringLiteral("la carpeta «%1» con lo que contiene").arg(creado.carpeta);
    QStringList partes;
    if (creado.servicio)
        partes << servicio;
    if (!creado.ini.isEmpty())
        partes << ini;
    if (!creado.carpeta.isEmpty())
        partes << carpeta;
    if (partes.isEmpty())
        return;
    if (!Confirma(QStringLiteral("El servicio «%1» no arrancó. ¿Desea quitar lo que creó este "
                                 "proceso?\r\n\r\n")
                          .arg(NombreInstancia) +
                      partes.join(QStringLiteral("\r\n")),
                  kTitulo, true)) {
        Estado(QStringLiteral("Se dejó lo que creó este proceso"));
        return;
    }

    QStringList quitado;
    if (creado.servicio) {
        // Mientras el registro exista usa el archivo y la carpeta: sin
        // quitarlo, no se quita nada.
        if (!EjecutaComando([&] {
                return pasos::ComandoQuitaServicio(Utf8(RutaMySQL), Utf8(NombreInstancia));
            })) {
            AnotaFalla(QStringLiteral("No se quitó %1; quedan también el archivo y la carpeta "
                                      "que usa")
                           .arg(servicio));
            return;
        }
        quitado << servicio;
    }
    std::error_code ec;
    if (!creado.ini.isEmpty()) {
        if (std::filesystem::remove(std::filesystem::u8path(Utf8(creado.ini)), ec))
            quitado << ini;
        else
            AnotaFalla(QStringLiteral("No se pudo quitar %1: %2")
                           .arg(ini, QString::fromLocal8Bit(ec.message())));
    }
    if (!creado.carpeta.isEmpty()) {
        if (std::filesystem::remove_all(std::filesystem::u8path(Utf8(creado.carpeta)), ec) !=
                static_cast<std::uintmax_t>(-1) &&
            !ec)
            quitado << carpeta;
        else
            AnotaFalla(QStringLiteral("No se pudo quitar %1: %2")
                           .arg(carpeta, QString::fromLocal8Bit(ec.message())));
    }
    if (quitado.isEmpty())
        return;
    const QString texto = QStringLiteral("Se quitó lo que creó este proceso:\r\n\r\n") +
                          quitado.join(QStringLiteral("\r\n"));
    Estado(texto);
    rtqx5::MsgBox(Utf8(texto), rtqx5::vbInformation, Utf8(kTitulo));
}
