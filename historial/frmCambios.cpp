#include "frmCambios.h"

#include "CambioOpciones.h"
#include "Mensajes.h"
#include "Modulo.h"
#include "Proceso.h"
#include "Twips.h"
#include "VentanaCambios.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <filesystem>

namespace {

const QString kTitulo = QStringLiteral("Cambios en los archivos de opciones");
const QString kSeccion = QStringLiteral("Configuración");

QString Entre(const QString& texto) {
    return QStringLiteral("«") + texto + QStringLiteral("»");
}

QString NombreArchivo(const std::string& ruta) {
    const std::u8string u = std::filesystem::u8path(ruta).filename().u8string();
    return DeUtf8(std::string(u.begin(), u.end()));
}

// Las líneas "clave: antes → después" de las claves que difieren.
QStringList LineasCambio(const std::vector<pasos::CambioClave>& cambios) {
    QStringList lineas;
    for (const pasos::CambioClave& c : cambios)
        lineas << DeUtf8(pasos::TextoCambio(c));
    return lineas;
}

} // namespace

std::unique_ptr<QDialog> CreaVentanaCambios(QWidget* parent) {
    return std::make_unique<frmCambios>(parent);
}

frmCambios::frmCambios(QWidget* parent)
    : VentanaReplicacion(QStringLiteral("frmCambios"), kTitulo, parent) {
    politica = PoliticaGeneral();
    ConstruyeControles();
    Form_Load();
}

frmCambios::~frmCambios() = default;

void frmCambios::ConstruyeControles() {
    FijaAreaCliente(13800, 7335);
    Coloca(CreaEtiqueta(0, QStringLiteral("Copias de respaldo que dejó cada corrida junto al "
                                          "archivo de opciones y lo que cambió")),
           480, 120, 12840, 240);
    Coloca(CreaEtiqueta(1, QStringLiteral("Archivo de opciones:")), 480, 600, 1800, 300);
    cboArchivo = new QComboBox(this);
    cboArchivo->setObjectName(QStringLiteral("cboArchivo"));
    Coloca(cboArchivo, 2280, 540, 11040, 360);

    Coloca(CreaEtiqueta(2, QStringLiteral("Copias de respaldo, de la más nueva a la más vieja:")),
           480, 1080, 7920, 240);
    tvwCopias = new QTreeWidget(this);
    tvwCopias->setObjectName(QStringLiteral("tvwCopias"));
    tvwCopias->setColumnCount(2);
    tvwCopias->setHeaderLabels(
        {QStringLiteral("Fecha y hora"), QStringLiteral("Copia de respaldo")});
    tvwCopias->setRootIsDecorated(true);
    tvwCopias->setWordWrap(false);
    Coloca(tvwCopias, 480, 1380, 7920, 5715);
    tvwCopias->header()->resizeSection(0, Twips::APixeles(2400, tvwCopias));

    Coloca(CreaProceder(), 8640, 1380, 2415, 600);
    cmdProceder->setText(QStringLiteral("Restaurar esta versión"));
    Coloca(CreaCapturaDOS(true), 8640, 2160, 4680, 4935);

    connect(cboArchivo, &QComboBox::currentIndexChanged, this, [this](int i) {
        if (i >= 0 && static_cast<std::size_t>(i) < archivos_.size()) {
            RutaIni = archivos_[static_cast<std::size_t>(i)].archivo;
            CargaDatosIni();
        }
    });
    OrdenTabulacion({cboArchivo, tvwCopias, cmdProceder});
}

void frmCambios::Form_Load() {
    // El maestro: my.ini de la carpeta de MySQL con el servicio que propone su
    // ventana. El esclavo: lo que guardó su ventana (o lo que propone).
    const QString myIni = RutaMySQLPrincipal() + QStringLiteral("my.ini");
    const std::string configuracion = Utf8(Proceso::RutaConfiguracion);
    const auto guardado = [&](const char* clave, const QString& defecto) {
        const QString valor =
            Proceso::libRTSA
                ? DeUtf8(Proceso::libRTSA->LeeIni(Utf8(kSeccion), clave, configuracion))
                : QString();
        return valor.isEmpty() ? defecto : valor;
    };
    const ArchivoServicio maestro{QStringLiteral("MAESTRO"), myIni, QStringLiteral("MySQL")};
    const ArchivoServicio esclavo{QStringLiteral("ESCLAVO"), guardado("Archivo INI", myIni),
                                  guardado("Instancia ESCLAVO", QStringLiteral("MySQL"))};
    archivos_ = {maestro};
    if (esclavo.archivo.toLower() == maestro.archivo.toLower() &&
        esclavo.servicio.toLower() == maestro.servicio.toLower())
        archivos_[0].quien = QStringLiteral("MAESTRO y ESCLAVO");
    else
        archivos_.push_back(esclavo);

    const QSignalBlocker bloqueo(cboArchivo);
    for (const ArchivoServicio& a : archivos_)
        cboArchivo->addItem(
            QStringLiteral("%1 (servicio %2): %3").arg(a.quien, a.servicio, a.archivo));
    cboArchivo->setCurrentIndex(0);
    RutaIni = archivos_[0].archivo;
    CargaDatosIni();
}

void frmCambios::Form_Activate() {
    PrimeraActivacion = false;
}

frmCambios::ReglaCampo frmCambios::Regla(int) const {
    return {};
}

void frmCambios::CargaDatosIni() {
    tvwCopias->clear();
    copias_ = pasos::RespaldosDe(Utf8(RutaIni));
    leidas_.clear();
    for (const pasos::Respaldo& r : copias_)
        leidas_.push_back(pasos::LeeOpciones(r.ruta));
    if (copias_.empty()) {
        auto* fila = new QTreeWidgetItem(tvwCopias, {QStringLiteral("Sin copias de respaldo")});
        fila->setFlags(Qt::ItemIsEnabled);
        fila->setFirstColumnSpanned(true);
        return;
    }
    // Lo que cambió cada corrida: de su copia a la versión siguiente (la copia
    // más nueva que ella, o el archivo actual).
    pasos::OpcionesLeidas siguiente = pasos::LeeOpciones(Utf8(RutaIni));
    if (!siguiente.legible && siguiente.motivo == "no existe")
        siguiente = pasos::LeeOpcionesDeTexto({});
    for (std::size_t i = 0; i < copias_.size(); ++i) {
        const pasos::OpcionesLeidas& esta = leidas_[i];
        auto* fila = new QTreeWidgetItem(
            tvwCopias, {DeUtf8(copias_[i].nombre.fecha), NombreArchivo(copias_[i].ruta)});
        fila->setToolTip(1, DeUtf8(copias_[i].ruta));
        QStringList lineas;
        if (!esta.legible)
            lineas << QStringLiteral("No es un archivo de opciones legible (%1); no se puede "
                                     "restaurar")
                          .arg(DeUtf8(esta.motivo));
        else if (!siguiente.legible)
            lineas << QStringLiteral("La versión siguiente no es un archivo de opciones legible");
        else {
            lineas = LineasCambio(pasos::DiferenciaOpciones(esta, siguiente));
            if (lineas.isEmpty())
                lineas << QStringLiteral("Sin cambios en [mysqld] ni [client]");
        }
        for (const QString& l : lineas)
            (new QTreeWidgetItem(fila, {l}))->setFirstColumnSpanned(true);
        siguiente = esta;
    }
    tvwCopias->expandAll();
    tvwCopias->setCurrentItem(tvwCopias->topLevelItem(0));
}

int frmCambios::CopiaElegida() const {
    QTreeWidgetItem* item = tvwCopias->currentItem();
    if (!item || copias_.empty())
        return -1;
    while (item->parent())
        item = item->parent();
    return tvwCopias->indexOfTopLevelItem(item);
}

bool frmCambios::ConfirmaRestauracion(const ArchivoServicio& a, const pasos::Respaldo& copia) {
    const pasos::OpcionesLeidas actual = pasos::LeeOpciones(Utf8(a.archivo));
    QStringList lineas;
    if (actual.legible)
        lineas = LineasCambio(
            pasos::DiferenciaOpciones(actual, leidas_[static_cast<std::size_t>(CopiaElegida())]));
    const QString claves =
        !actual.legible
            ? QStringLiteral("El archivo actual no se puede leer (%1).").arg(DeUtf8(actual.motivo))
        : lineas.isEmpty()
            ? QStringLiteral("Ninguna clave de [mysqld] ni [client] cambia.")
            : QStringLiteral("Cambiarán estas claves:\r\n") + lineas.join(QStringLiteral("\r\n"));
    const QString pregunta =
        QStringLiteral("¿Desea restaurar el archivo %1 con la copia %2 del %3?\r\n\r\nEl servicio "
                       "%4 se detendrá y arrancará de nuevo; antes se guardará una copia del "
                       "archivo actual.\r\n\r\n%5")
            .arg(Entre(a.archivo), Entre(NombreArchivo(copia.ruta)), DeUtf8(copia.nombre.fecha),
                 a.servicio, claves);
    return Confirma(pregunta, QStringLiteral("Confirmación requerida"), true);
}

bool frmCambios::ServidorAceptaCopia(const pasos::Respaldo& copia) {
    Estado(QStringLiteral("la copia de respaldo con el servidor de MySQL"), true);
    const pasos::Dictamen dictamen = pasos::RevisaArchivoOpciones(
        Utf8(RutaMySQLPrincipal()), copia.ruta, Utf8(Proceso::CarpetaPrograma));
    if (dictamen.acepta)
        return true;
    const QString porque = DeUtf8(
        pasos::OcultaSecretos(dictamen.motivo, leidas_[static_cast<std::size_t>(CopiaElegida())]));
    Estado(QStringLiteral("El servidor de MySQL no arrancaría con la copia de respaldo:"));
    Estado(porque);
    Estado(QStringLiteral("No se cambió nada."));
    rtqx5::MsgBox(Utf8(QStringLiteral("El servidor de MySQL no arrancaría con la copia %1, por lo "
                                      "que no se cambió nada:\r\n\r\n")
                           .arg(Entre(DeUtf8(copia.ruta))) +
                       porque),
                  rtqx5::vbCritical, "Error");
    return false;
}

void frmCambios::cmdProceder_Click() {
    if (EnProceso())
        return;
    Corrida corrida(*this);

    const int elegida = CopiaElegida();
    if (elegida < 0) {
        rtqx5::MsgBox("No hay ninguna copia de respaldo elegida", rtqx5::vbCritical, "Error");
        return;
    }
    const ArchivoServicio a = archivos_[static_cast<std::size_t>(cboArchivo->currentIndex())];
    const pasos::Respaldo copia = copias_[static_cast<std::size_t>(elegida)];
    const pasos::OpcionesLeidas& leida = leidas_[static_cast<std::size_t>(elegida)];
    if (!leida.legible) {
        rtqx5::MsgBox(Utf8(QStringLiteral("La copia %1 no es un archivo de opciones legible (%2); "
                                          "no se puede restaurar")
                               .arg(Entre(DeUtf8(copia.ruta)), DeUtf8(leida.motivo))),
                      rtqx5::vbCritical, "Error");
        return;
    }
    if (!ConfirmaRestauracion(a, copia)) {
        Estado(QStringLiteral("Proceso cancelado"));
        return;
    }

    txtCapturaDOS->clear();
    OlvidaFallas();
    RutaIni = a.archivo;
    if (ServidorAceptaCopia(copia)) {
        const QString linea = QStringLiteral("Restaurando %1 desde %2")
                                  .arg(Entre(a.archivo), Entre(DeUtf8(copia.ruta)));
        Paso([&] { EscribeBitacora(linea); });
        Estado(linea);
        CambiaServidor({}, a.servicio, QString(), DeUtf8(copia.ruta));
        if (HuboFallas())
            MuestraFallas();
        Estado(QStringLiteral("Fin del proceso"));
        AvisoFinal(kTitulo);
    }
    CargaDatosIni();
}
