#include "frmInstancia.h"

#include "ArchivoOpciones.h"
#include "CambioOpciones.h"
#include "Campos.h"
#include "Mensajes.h"
#include "Modulo.h"
#include "OpcionMySQL.h"
#include "PasosInstancia.h"
#include "Proceso.h"
#include "Rutas.h"
#include "Sistema.h"
#include "TextosProcedimiento.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringList>
#include <ctime>

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

QString frmInstancia::Dato(int Index) const {
    if (Index == 1)
        return txtDatoMultiLinea->toPlainText();
    return txtDato[static_cast<std::size_t>(Index)]->text();
}

void frmInstancia::txtDato_Validate(int Index, bool& Cancel) {
    Cancel = false;
    if (Index == 4)
        return;
    const QString texto = Dato(Index);
    Cancel = texto.trimmed().isEmpty();
    // Un salto de línea pegado en la carpeta no llega a un archivo de opciones.
    if (Index == 1 && (texto.contains(QLatin1Char('\n')) || texto.contains(QLatin1Char('\r'))))
        Cancel = true;
    if (Index == 5 && rtqx5::PuertoValido(Utf8(texto)) == 0)
        Cancel = true;
    if (Cancel)
        rtqx5::Beep();
}

void frmInstancia::cmdProceder_Click() {
    if (EnProceso())
        return;
    Corrida corrida(*this);

    txtCapturaDOS->clear();
    QString Avisos;
    const QString NombreInstancia = Dato(0);
    const QString RutaMySQL = RutaMySQLPrincipal();
    const QString EjecutableMySQLd = DeUtf8(pasos::ProgramaMySQL(Utf8(RutaMySQL), "mysqld"));
    Estado(QStringLiteral("MySQLd ") + EjecutableMySQLd, true);

    const QString IniOriginal = RutaMySQL + QStringLiteral("my.ini");
    const QString IniNuevo = RutaMySQL + Dato(2);
    Estado(QStringLiteral("INI original ") + IniOriginal, true);
    QString DatosOriginal;
    if (Proceso::DeArchivos->HayArchivo(Utf8(IniOriginal))) {
        Paso([&] {
            DatosOriginal = DeUtf8(pasos::CarpetaDatosOriginal(
                Proceso::libRTSA->LeeIni("mysqld", "datadir", Utf8(IniOriginal))));
        });
        Estado(QStringLiteral("Ruta de DATA ") + DatosOriginal, true);
    } else {
        Avisos += QStringLiteral("El archivo «") + IniOriginal + QStringLiteral("» no existe") +
                  kFinAviso;
    }
    Estado(QStringLiteral("Nuevo INI ") + IniNuevo, true);
    if (Proceso::DeArchivos->HayArchivo(Utf8(IniNuevo)))
        Avisos +=
            QStringLiteral("El archivo «") + IniNuevo + QStringLiteral("» ya existe") + kFinAviso;
    QString DatosNuevo = Dato(1);
    AgregaDiagonal(DatosNuevo);
    Estado(DatosNuevo, true);
    if (Proceso::DeArchivos->HayCarpeta(Utf8(DatosNuevo)))
        Avisos +=
            QStringLiteral("La ruta «") + DatosNuevo + QStringLiteral("» ya existe") + kFinAviso;
    const std::uint16_t puerto = rtqx5::PuertoValido(Utf8(Dato(5)));
    if (puerto != 0 && pasos::PuertoOcupado(puerto))
        Avisos += QStringLiteral("El puerto ") + Dato(5) +
                  QStringLiteral(" ya está en uso en este equipo") + kFinAviso;
    if (pasos::ExisteServicio(Utf8(NombreInstancia)))
        Avisos += QStringLiteral("El servicio «") + NombreInstancia +
                  QStringLiteral("» ya existe") + kFinAviso;
    Estado(QStringLiteral("Verificación concluída"));
    // Los avisos solo informan: la confirmación decide.
    if (!Avisos.isEmpty())
        rtqx5::MsgBox(Utf8(Avisos), rtqx5::vbExclamation, "Atención");

    if (!Confirma(QStringLiteral("Confirme si desea crear la nueva instancia de MySQL:"),
                  QStringLiteral("Crear instancia"), true)) {
        Estado(QStringLiteral("No se creó la nueva instancia"));
        return;
    }
    cmdProceder->setEnabled(false);

    Estado(QStringLiteral("Creando ") + IniNuevo);
    CreaArchivoOpciones(IniOriginal, IniNuevo);
    Estado(QStringLiteral("Creando ") + DatosNuevo);
    const int sinCopiar = CopiaBaseSistema(DatosOriginal, DatosNuevo);
    ComandosDelServicio(RutaMySQL, IniNuevo, NombreInstancia, sinCopiar > 0);

    // Con fallas, lo que mostraron los comandos se queda en la caja.
    if (HuboFallas())
        MuestraFallas();
    Estado(QStringLiteral("Fin del proceso"));
    AvisoFinal(kTitulo);
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
    const std::vector<pasos::ClaveOpcion> claves = {
        {"client", "port", puerto},
        {"mysqld", "port", puerto},
        {"mysqld", "datadir", pasos::ValorDatadir(Utf8(Dato(1))), true},
        {"mysqld", "server-id", pasos::OtroIdServidor(Utf8(IniOriginal))},
    };
    PasoAnotado(QStringLiteral("No se pudo crear «%1»").arg(IniNuevo), [&] {
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
                                       const QString& NombreInstancia, bool actualizaSistema) {
    const std::string instala =
        pasos::ComandoInstalaServicio(Utf8(RutaMySQL), Utf8(NombreInstancia), Utf8(IniNuevo));
    EjecutaComando(instala);

    const std::string arranca = pasos::ComandoArrancaServicio(Utf8(NombreInstancia));
    const bool arranco = EjecutaComando(arranca);

    if (!actualizaSistema)
        return;
    if (!arranco) {
        AnotaFalla(QStringLiteral("No se corrió mysql_upgrade porque el servicio no arrancó: "
                                  "faltan las tablas InnoDB de la base mysql que no se copiaron"));
        return;
    }
    const std::string usuario = Proceso::BasesDD ? Proceso::BasesDD->cUsuario : std::string();
    const std::string clave = Proceso::BasesDD ? Proceso::BasesDD->cPassword : std::string();
    const std::uint16_t puerto = rtqx5::PuertoValido(Utf8(Dato(5)));
    const std::string actualiza =
        pasos::ComandoActualizaSistema(Utf8(RutaMySQL), usuario, clave, puerto, false);
    const std::string mostrado =
        pasos::ComandoActualizaSistema(Utf8(RutaMySQL), usuario, clave, puerto, true);
    EjecutaComando(actualiza, mostrado);
}
