#include "VentanaReplicacion.h"

#include "Campos.h"
#include "Mensajes.h"
#include "Modulo.h"
#include "OpcionMySQL.h"
#include "Proceso.h"
#include "TextosProcedimiento.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <ctime>

VentanaReplicacion::VentanaReplicacion(const QString& nombre, const QString& caption,
                                       QWidget* parent)
    : VentanaProcedimiento(nombre, caption, parent) {}

void VentanaReplicacion::CreaEncabezado(const QString& titulo) {
    Coloca(CreaEtiqueta(0, titulo), 3480, 120, 5790, 240);
    Coloca(CreaEtiqueta(8, QStringLiteral("Archivo de configuración:")), 480, 600, 1410, 600);
    txtElINI = new QLineEdit(this);
    txtElINI->setObjectName(QStringLiteral("txtElINI"));
    PreparaCampo(txtElINI, QString());
    Coloca(txtElINI, 2280, 600, 9975, 600);
}

std::vector<pasos::ClaveOpcion> VentanaReplicacion::ClavesRegistroBinario() const {
    // El tamaño máximo de un evento de fila del registro binario: 16 MiB.
    return {
        {"mysqld", "log-bin", Utf8(NombreLog)},
        {"mysqld", "server-id", Utf8(IdServidor)},
        {"mysqld", "replicate-do-db", Utf8(BdReplicar)},
        {"mysqld", "binlog-do-db", Utf8(BdReplicar)},
        {"mysqld", "expire_logs_days", Utf8(DiasExpiracion)},
        {"mysqld", "binlog-row-event-max-size", "16777216"},
    };
}

void VentanaReplicacion::InstalaValidaciones() {
    for (std::size_t i = 0; i < txtDato.size(); ++i) {
        const int indice = static_cast<int>(i);
        ValidaAlSalir(txtDato[i],
                      [this, indice](bool& Cancel) { txtDato_Validate(indice, Cancel); });
    }
    ValidaAlSalir(txtElINI, [this](bool& Cancel) { txtElINI_Validate(Cancel); });
}

VentanaReplicacion::ReglaCampo VentanaReplicacion::ReglaComun(int Index,
                                                              const QString& identificador) {
    // CHANGE MASTER TO admite en MySQL 5.1 una dirección de 60 caracteres y una
    // contraseña de 32; el usuario, hasta 32 como MySQL 5.7 y 8 (5.1 rechaza
    // más de 16 con su propio mensaje, que la corrida anota).
    switch (Index) {
    case 0:
        return {QStringLiteral("Usuario:"), 32};
    case 1:
        return {QStringLiteral("Dirección:"), 60};
    case 2:
        return {QStringLiteral("Contraseña:"), 32};
    case 3:
        return {QStringLiteral("Nombre para archivos LOG:"), pasos::kMaxValorOpcion};
    case 4:
        return {QStringLiteral("Días de expiración para archivos LOG:"), 2};
    default:
        return {identificador, 2};
    }
}

void VentanaReplicacion::PonDato(const QString& valor, int indice) {
    if (!valor.isEmpty())
        txtDato[static_cast<std::size_t>(indice)]->setText(valor);
}

void VentanaReplicacion::AvisaArchivoFaltante() {
    rtqx5::MsgBox(Utf8(QStringLiteral("El archivo «") + RutaIni + QStringLiteral("» no existe")),
                  rtqx5::vbCritical, "Error");
}

QString VentanaReplicacion::LeeMysqld(const char* clave) const {
    return DeUtf8(Proceso::libRTSA->LeeIni("mysqld", clave, Utf8(RutaIni)));
}

void VentanaReplicacion::AvisaCampo(const QString& nombre, const QString& motivo) {
    rtqx5::MsgBox(Utf8(QStringLiteral("El campo «") + nombre + QStringLiteral("» ") + motivo),
                  rtqx5::vbCritical, "Error");
}

void VentanaReplicacion::txtDato_Validate(int Index, bool& Cancel) {
    QLineEdit* campo = txtDato[static_cast<std::size_t>(Index)];
    const ReglaCampo regla = Regla(Index);
    QString motivo;
    if (Index == 4) {
        motivo = DeUtf8(pasos::RevisaTexto(Utf8(campo->text()), regla.maximo));
        const double dias = Proceso::libRTSA->rtval(Utf8(campo->text()));
        Cancel = !motivo.isEmpty() || dias < 1 || dias > 15;
    } else {
        QString texto = campo->text();
        texto.remove(QLatin1Char(' '));
        campo->setText(texto);
        const std::string valor = Utf8(texto);
        switch (regla.tipo) {
        case ReglaCampo::NombreArchivo:
            motivo = DeUtf8(pasos::RevisaNombreArchivo(valor, regla.maximo));
            break;
        case ReglaCampo::Puerto:
            motivo = DeUtf8(pasos::RevisaTexto(valor, regla.maximo));
            if (motivo.isEmpty() && !texto.isEmpty() && rtqx5::PuertoValido(valor) == 0)
                motivo = QStringLiteral("debe ser un número de puerto de 1 a 65535.");
            break;
        case ReglaCampo::Texto:
            motivo = DeUtf8(pasos::RevisaTexto(valor, regla.maximo));
            break;
        }
        Cancel = texto.isEmpty() || !motivo.isEmpty();
    }
    if (Cancel)
        rtqx5::Beep();
    if (!motivo.isEmpty())
        AvisaCampo(regla.nombre, motivo);
}

void VentanaReplicacion::txtElINI_Validate(bool& Cancel) {
    const std::string motivo = pasos::RevisaTexto(Utf8(txtElINI->text()), pasos::kMaxValorOpcion);
    Cancel = !motivo.empty() || !Proceso::DeArchivos->HayArchivo(Utf8(txtElINI->text()));
    if (Cancel) {
        rtqx5::Beep();
        if (!motivo.empty())
            AvisaCampo(QStringLiteral("Archivo de configuración:"), DeUtf8(motivo));
        return;
    }
    const QString etiqueta = txtElINI->property("Tag").toString();
    if (etiqueta.toLower() != txtElINI->text().toLower()) {
        txtElINI->setProperty("Tag", txtElINI->text());
        RutaIni = txtElINI->text();
        CargaDatosIni();
    }
}

void VentanaReplicacion::Form_Activate() {
    if (!PrimeraActivacion)
        return;
    PrimeraActivacion = false;
    if (Proceso::DeArchivos->HayArchivo(Utf8(RutaIni)))
        CargaDatosIni();
    else
        AvisaArchivoFaltante();
}

void VentanaReplicacion::Form_Unload() {
    if (Proceso::BasesDD)
        Proceso::BasesDD->CierraBdD(Conexion);
    else
        Conexion.Cierra();
}

bool VentanaReplicacion::ValidaCampos() {
    bool Cancel = false;
    for (std::size_t i = 0; i < txtDato.size() && !Cancel; ++i)
        txtDato_Validate(static_cast<int>(i), Cancel);
    return !Cancel;
}

bool VentanaReplicacion::VerificaDatos() {
    Estado(QStringLiteral("Datos de la configuración"), true);
    const bool validos = ValidaCampos();
    if (!Proceso::DeArchivos->HayArchivo(Utf8(RutaIni)))
        AvisaArchivoFaltante();
    return validos;
}

bool VentanaReplicacion::CuentaCabeEn(rtqx5::Conexion& conexion) {
    std::string sistema; // sin respuesta: como un servidor que no los guarda
    CorrePaso(nullptr, [&] {
        sistema = conexion.Consulta("SELECT @@character_set_system AS juego").Valor("juego");
    });
    const bool guarda = pasos::GuardaCuatroBytes(conexion.JuegoCaracteres(), sistema);
    for (int i = 0; i <= 2; ++i) {
        const std::string motivo = pasos::RevisaCuatroBytes(
            Utf8(txtDato[static_cast<std::size_t>(i)]->text()), guarda, i != 2);
        if (!motivo.empty()) {
            rtqx5::Beep();
            AvisaCampo(Regla(i).nombre, DeUtf8(motivo));
            return false;
        }
    }
    return true;
}

bool VentanaReplicacion::Confirmado(const QString& que) {
    if (!Confirma(QStringLiteral("Confirme si desea configurar servidor ") + que,
                  QStringLiteral("Confirmación requerida"), true)) {
        Estado(QStringLiteral("Proceso cancelado"));
        return false;
    }
    cmdProceder->setEnabled(false);
    return true;
}

bool VentanaReplicacion::ServidorAcepta(const std::vector<pasos::ClaveOpcion>& claves) {
    Estado(QStringLiteral("el archivo de opciones con el servidor de MySQL"), true);
    const pasos::Dictamen dictamen = ConsultaServidor(claves);
    if (!dictamen.acepta)
        InformaRechazo(dictamen);
    return dictamen.acepta;
}

pasos::Dictamen
VentanaReplicacion::ConsultaServidor(const std::vector<pasos::ClaveOpcion>& claves) const {
    return pasos::ValidaOpciones(Utf8(RutaMySQLPrincipal()), Utf8(RutaIni), claves,
                                 Utf8(Proceso::CarpetaPrograma));
}

void VentanaReplicacion::InformaRechazo(const pasos::Dictamen& dictamen) {
    const QString porque = DeUtf8(dictamen.motivo);
    // Un archivo que no se pudo leer no es un rechazo del servidor.
    const QString que =
        dictamen.leido ? QStringLiteral("El servidor de MySQL no arrancaría con el archivo «") +
                             RutaIni + QStringLiteral("» así cambiado")
                       : QStringLiteral("No se pudo leer el archivo «") + RutaIni +
                             QStringLiteral("» (otro programa puede tenerlo abierto)");
    Estado(dictamen.leido ? QStringLiteral("El servidor de MySQL no arrancaría con el archivo de "
                                           "opciones así cambiado:")
                          : que + QLatin1Char(':'));
    Estado(porque);
    Estado(QStringLiteral("No se cambió nada."));
    rtqx5::MsgBox(Utf8(que + QStringLiteral(", por lo que no se cambió nada:\r\n\r\n") + porque),
                  rtqx5::vbCritical, "Error");
}

bool VentanaReplicacion::ComandoServicio(const char* accion, const QString& servicio) {
    return EjecutaComando([&] { return pasos::ComandoNet(accion, Utf8(servicio)); });
}
