// El cambio de un servidor, la única pieza que cambia el archivo de opciones
// de un servicio y lo reinicia: ningún camino deja el servicio detenido sin
// decirlo, ni el archivo a medias.
#include "VentanaReplicacion.h"

#include "CambioOpciones.h"
#include "Modulo.h"
#include "OpcionMySQL.h"
#include "Proceso.h"
#include "TextosProcedimiento.h"

#include <QElapsedTimer>

namespace {

// Lo que se espera a que el servidor conteste tras arrancar el servicio.
constexpr int kEsperaServidorMs = 30000;

QString Entre(const QString& texto) {
    return QStringLiteral("«") + texto + QStringLiteral("»");
}

} // namespace

bool VentanaReplicacion::CambiaServidor(const std::vector<pasos::ClaveOpcion>& claves,
                                        const QString& servicio, const QString& puerto,
                                        const QString& origen) {
    QString respaldo;
    if (!Respalda(RutaIni, &respaldo))
        return false;
    const std::string nuevo = PreparaCambio(claves, origen);
    if (nuevo.empty())
        return false;

    std::uint16_t espera = rtqx5::PuertoValido(Utf8(puerto));
    if (espera == 0)
        espera = pasos::PuertoDeArchivo(nuevo);
    const pasos::EstadoServicio estado = pasos::EstadoDeServicio(Utf8(servicio));
    if (estado == pasos::EstadoServicio::NoExiste) {
        const QString linea = QStringLiteral("El servicio %1 no existe; no se cambió %2")
                                  .arg(servicio, Entre(RutaIni));
        Estado(linea);
        AnotaFalla(linea);
        pasos::DescartaArchivoNuevo(nuevo);
        return false;
    }
    if (!AnotaCambioEnCurso(servicio, respaldo, espera)) {
        pasos::DescartaArchivoNuevo(nuevo);
        return false;
    }

    bool conCambios = false;
    if (!DetieneServicio(servicio, estado)) {
        // El archivo no se toca; un servicio que sí se detuvo vuelve a
        // arrancar con él como estaba.
        pasos::DescartaArchivoNuevo(nuevo);
        if (pasos::EstadoDeServicio(Utf8(servicio)) == pasos::EstadoServicio::Detenido)
            ArrancaYEspera(servicio, espera);
    } else if (!InstalaCambio(nuevo)) {
        pasos::DescartaArchivoNuevo(nuevo);
        ArrancaYEspera(servicio, espera);
    } else {
        conCambios = ArrancaYEspera(servicio, espera).isEmpty();
        if (conCambios)
            Estado(QStringLiteral("El servicio %1 arrancó con los cambios").arg(servicio));
        else
            VuelveAlRespaldo(servicio, respaldo, espera);
    }
    TerminaCambioEnCurso();
    return conCambios;
}

std::string VentanaReplicacion::PreparaCambio(const std::vector<pasos::ClaveOpcion>& claves,
                                              const QString& origen) {
    std::string nuevo;
    if (PasoAnotado(
            QStringLiteral("No se detuvo el servicio ni se cambió %1").arg(Entre(RutaIni)),
            [&] { nuevo = pasos::PreparaArchivoNuevo(Utf8(RutaIni), claves, Utf8(origen)); }))
        return {};
    Estado(QStringLiteral("el archivo de opciones nuevo con el servidor de MySQL"), true);
    const pasos::Dictamen dictamen = pasos::RevisaArchivoOpciones(Utf8(RutaMySQLPrincipal()), nuevo,
                                                                  Utf8(Proceso::CarpetaPrograma));
    if (!dictamen.acepta) {
        pasos::DescartaArchivoNuevo(nuevo);
        const QString linea = QStringLiteral("El servidor de MySQL no arrancaría con %1 así "
                                             "cambiado; no se detuvo el servicio ni se cambió "
                                             "nada")
                                  .arg(Entre(RutaIni));
        Estado(linea);
        AnotaFalla(linea, DeUtf8(dictamen.motivo));
        return {};
    }
    return nuevo;
}

bool VentanaReplicacion::AnotaCambioEnCurso(const QString& servicio, const QString& respaldo,
                                            std::uint16_t puerto) {
    const pasos::Diario diario{Utf8(servicio), Utf8(RutaIni), Utf8(respaldo),
                               std::to_string(puerto)};
    return !PasoAnotado(
        QStringLiteral("No se pudo anotar el cambio en curso; no se detuvo el servicio ni se "
                       "cambió %1")
            .arg(Entre(RutaIni)),
        [&] { pasos::EscribeDiario(pasos::RutaDiario(Utf8(Proceso::RutaConfiguracion)), diario); });
}

void VentanaReplicacion::TerminaCambioEnCurso() {
    const std::string diario = pasos::RutaDiario(Utf8(Proceso::RutaConfiguracion));
    if (!pasos::BorraDiario(diario))
        AnotaFalla(QStringLiteral("No se pudo borrar la nota del cambio en curso %1")
                       .arg(Entre(DeUtf8(diario))));
}

bool VentanaReplicacion::DetieneServicio(const QString& servicio, pasos::EstadoServicio estado) {
    if (estado == pasos::EstadoServicio::Detenido) {
        const QString linea = QStringLiteral("El servicio %1 ya estaba detenido").arg(servicio);
        Paso([&] { EscribeBitacora(linea); });
        Estado(linea);
        return true;
    }
    return ComandoServicio("stop", servicio);
}

bool VentanaReplicacion::InstalaCambio(const std::string& nuevo) {
    return !PasoAnotado(QStringLiteral("No se pudo poner el archivo nuevo en lugar de %1; sigue "
                                       "como estaba")
                            .arg(Entre(RutaIni)),
                        [&] { pasos::InstalaArchivoNuevo(nuevo, Utf8(RutaIni)); });
}

QString VentanaReplicacion::ArrancaYEspera(const QString& servicio, std::uint16_t puerto) {
    if (!ComandoServicio("start", servicio))
        return QStringLiteral("falló «net start %1»").arg(servicio);
    Estado(QStringLiteral("Esperando a que el servidor conteste en el puerto %1").arg(puerto));
    QElapsedTimer reloj;
    reloj.start();
    while (reloj.elapsed() < kEsperaServidorMs) {
        if (pasos::ServidorContesta(puerto, 500))
            return {};
        EsperaConEventos(250);
    }
    const QString linea = QStringLiteral("El servidor del servicio %1 no contestó en el puerto %2 "
                                         "en %3 segundos")
                              .arg(servicio)
                              .arg(puerto)
                              .arg(kEsperaServidorMs / 1000);
    Estado(linea);
    AnotaFalla(linea);
    return linea;
}

void VentanaReplicacion::VuelveAlRespaldo(const QString& servicio, const QString& respaldo,
                                          std::uint16_t puerto) {
    // Un servidor que quedó corriendo con el archivo nuevo sin contestar se
    // detiene antes de cambiarle el archivo.
    if (pasos::EstadoDeServicio(Utf8(servicio)) != pasos::EstadoServicio::Detenido)
        ComandoServicio("stop", servicio);
    const QString copia = respaldo.isEmpty() ? QStringLiteral("(no había copia)") : Entre(respaldo);
    // Sin copia, el archivo no existía antes del cambio: volver es quitarlo.
    const QString vuelta =
        respaldo.isEmpty()
            ? QStringLiteral("se quitó %1, que no existía antes,").arg(Entre(RutaIni))
            : QStringLiteral("se restauró %1 desde %2").arg(Entre(RutaIni), copia);
    QString linea;
    const auto error =
        CorrePaso(nullptr, [&] { pasos::RestauraRespaldo(Utf8(respaldo), Utf8(RutaIni)); });
    if (error) {
        linea = QStringLiteral("No arrancó con los cambios y no se pudo restaurar %1 (%2); la "
                               "copia de respaldo está en %3")
                    .arg(Entre(RutaIni), DeUtf8(error->Descripcion()), copia);
    } else {
        QString registro = vuelta.left(1).toUpper() + vuelta.mid(1);
        if (registro.endsWith(QLatin1Char(',')))
            registro.chop(1);
        Paso([&] { EscribeBitacora(registro); });
        const QString fallo = ArrancaYEspera(servicio, puerto);
        if (fallo.isEmpty())
            linea = QStringLiteral("No arrancó con los cambios; %1 y el servicio arrancó con la "
                                   "configuración anterior")
                        .arg(vuelta);
        else
            linea = QStringLiteral("No arrancó con los cambios; %1, pero tampoco arrancó con la "
                                   "configuración anterior: %2; la copia de respaldo está en %3")
                        .arg(vuelta, fallo, copia);
    }
    Estado(linea);
    AnotaFalla(linea);
}
