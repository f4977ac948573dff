#pragma once

#include "ArchivoOpciones.h"
#include "Componentes.h"
#include "Sistema.h"
#include "Valores.h"
#include "VentanaProcedimiento.h"

#include <QString>
#include <cstdint>
#include <string>
#include <vector>

// Lo que comparten las ventanas del maestro y del esclavo: el archivo de
// opciones (txtElINI, RutaIni) y sus valores, la conexión, PonDato,
// AvisaArchivoFaltante, la validación de los campos y de la ruta, la primera
// activación y la descarga; y los pasos que cambian el archivo de opciones con
// cuidado: consultar antes al servidor de MySQL, respaldar y escribir clave por
// clave.
class VentanaReplicacion : public VentanaProcedimiento {
    Q_OBJECT
public:
    // Reglas de los campos (iguales en ambas ventanas): el campo 4 (días) vale
    // de 1 a 15 por rtval y no se reescribe; los demás pierden todo espacio y
    // no pueden quedar vacíos. Además, según la regla de cada campo (Regla):
    // ningún carácter de control ni más caracteres que su máximo, un nombre de
    // archivo sin carpetas, un puerto de 1 a 65535; eso se rechaza con un
    // cuadro crítico que nombra el campo. Con Cancel, pitido.
    void txtDato_Validate(int Index, bool& Cancel);
    // Cancel cuando no existe el archivo o la ruta trae caracteres de control
    // (pitido). Otro archivo existente (sin distinguir mayúsculas) pasa a ser
    // RutaIni y se cargan sus datos.
    void txtElINI_Validate(bool& Cancel);

    QLineEdit* txtElINI = nullptr;

    QString RutaIni;
    rtqx5::Conexion Conexion;
    QString BdReplicar;
    QString NombreLog;
    QString DiasExpiracion;
    QString IdServidor;

protected:
    VentanaReplicacion(const QString& nombre, const QString& caption, QWidget* parent);

    // Lo que admite un campo: su nombre en los avisos (su etiqueta), el largo
    // máximo y qué es su valor.
    struct ReglaCampo {
        enum Tipo { Texto, NombreArchivo, Puerto };
        QString nombre;
        std::size_t maximo = pasos::kMaxValorOpcion;
        Tipo tipo = Texto;
    };
    virtual ReglaCampo Regla(int Index) const = 0;
    // Las reglas de los campos 0 a 5, iguales en ambas ventanas (cuenta,
    // registros, identificador); `identificador`, la etiqueta del campo 5.
    static ReglaCampo ReglaComun(int Index, const QString& identificador);
    // Cuadro crítico "El campo «nombre» motivo", título "Error".
    static void AvisaCampo(const QString& nombre, const QString& motivo);

    // El título lblEtiq(0), "Archivo de configuración:" lblEtiq(8) y txtElINI
    // (Resalta, Teclas, Enter sin clase), en los mismos lugares en ambas.
    void CreaEncabezado(const QString& titulo);
    // Valida al salir cada txtDato y txtElINI.
    void InstalaValidaciones();

    // Si el valor no es "", se pone en txtDato(indice).
    void PonDato(const QString& valor, int indice);
    // Cuadro crítico "El archivo «RutaIni» no existe", título "Error".
    void AvisaArchivoFaltante();
    // Carga las claves de RutaIni en el estado y los campos.
    virtual void CargaDatosIni() = 0;
    // Valor de la clave en la sección mysqld de RutaIni ("" si falta).
    QString LeeMysqld(const char* clave) const;

    // Primera activación: CargaDatosIni si existe RutaIni, si no el aviso.
    void Form_Activate() override;
    // CierraBdD(Conexion).
    void Form_Unload() override;

    // Valida todos los campos de 0 en adelante; para en el primero rechazado.
    bool ValidaCampos();
    // "Verificando Datos de la configuración ...", ValidaCampos y, si falta
    // RutaIni, AvisaArchivoFaltante (que no detiene). False con un campo
    // rechazado.
    bool VerificaDatos();
    // Los campos de la cuenta (0 a 2) ante el servidor de `conexion`: un
    // carácter que no puede guardar (fuera del plano básico, donde sus
    // cuentas o la réplica no son utf8mb4) se rechaza con el cuadro que nombra
    // el campo, antes de mandar nada. False con un campo rechazado.
    bool CuentaCabeEn(rtqx5::Conexion& conexion);
    // La pregunta "Confirme si desea configurar servidor QUE" ("Confirmación
    // requerida", No por omisión). Con Sí deshabilita Proceder; con No,
    // "Proceso cancelado". True con Sí.
    bool Confirmado(const QString& que);

    // Pregunta al servidor de la carpeta de MySQL si arrancaría con RutaIni
    // cambiado así, con una línea de estado. Sin aceptación muestra en la caja
    // y en el cuadro crítico "Error" el motivo; devuelve false.
    bool ServidorAcepta(const std::vector<pasos::ClaveOpcion>& claves);
    // La misma pregunta, sin línea ni aviso.
    pasos::Dictamen ConsultaServidor(const std::vector<pasos::ClaveOpcion>& claves) const;
    // Informa un rechazo del servidor (caja y cuadro) sin cambiar nada.
    void InformaRechazo(const pasos::Dictamen& dictamen);

    // Las seis claves del registro binario en [mysqld], de BdReplicar,
    // NombreLog, DiasExpiracion e IdServidor.
    std::vector<pasos::ClaveOpcion> ClavesRegistroBinario() const;
    // El cambio de un servidor (CambioServidor.cpp): respalda RutaIni, arma
    // junto a él el archivo entero con las claves y lo hace revisar por el
    // servidor de la carpeta de MySQL, anota el cambio en curso, detiene el
    // servicio (si corría), pone el archivo nuevo de una vez, arranca el
    // servicio y espera a que el servidor conteste en `puerto` (vacío: el del
    // archivo). Si no arranca, vuelve a poner la copia de respaldo y lo
    // arranca con ella. True solo cuando el servicio quedó corriendo con el
    // archivo nuevo; toda falla queda anotada. Con `origen`, el archivo nuevo
    // parte de los bytes de ese archivo (una versión anterior) en lugar de los
    // de RutaIni.
    bool CambiaServidor(const std::vector<pasos::ClaveOpcion>& claves, const QString& servicio,
                        const QString& puerto, const QString& origen = {});

    // Corre "net ACCION servicio" por EjecutaComando.
    bool ComandoServicio(const char* accion, const QString& servicio);

private:
    // Partes de CambiaServidor.
    std::string PreparaCambio(const std::vector<pasos::ClaveOpcion>& claves, const QString& origen);
    bool AnotaCambioEnCurso(const QString& servicio, const QString& respaldo, std::uint16_t puerto);
    void TerminaCambioEnCurso();
    bool DetieneServicio(const QString& servicio, pasos::EstadoServicio estado);
    bool InstalaCambio(const std::string& nuevo);
    QString ArrancaYEspera(const QString& servicio, std::uint16_t puerto);
    void VuelveAlRespaldo(const QString& servicio, const QString& respaldo, std::uint16_t puerto);
};
