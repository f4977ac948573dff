#include "CargaConfiguracion.h"

#include "Errores.h"
#include "Fabrica.h"
#include "LeeIniDefecto.h"
#include "Mensajes.h"

namespace {

constexpr char kCR = '\r';

// A call on an object that was never created fails as it does in automation
// (error 91) instead of dereferencing nothing.
template <class T> T& Objeto(const std::shared_ptr<T>& p) {
    if (!p)
        throw rtqx5::ErrorRT(91, "Variable de objeto o bloque With no establecido");
    return *p;
}

std::string SinBlancos(const std::string& s) {
    const auto a = s.find_first_not_of(' ');
    if (a == std::string::npos)
        return {};
    return s.substr(a, s.find_last_not_of(' ') - a + 1);
}

} // namespace

bool CargaConfiguracion(std::shared_ptr<rtqx5::libRTSA>& lib,
                        std::shared_ptr<rtqx5::DelRegistro>& reg,
                        std::shared_ptr<rtqx5::BasesDD>& bd, const std::string& rutaConfiguracion,
                        bool conBase) {
    using namespace rtqx5;

    // Private objects, released on return.
    std::shared_ptr<libRTSA> propio;
    std::shared_ptr<DeArchivos> archivos;
    std::shared_ptr<Utilerias> utilerias;
    CreaObjeto(propio, "LibRTSA", "rtqx5");
    CreaObjeto(archivos, "DeArchivos", "rtqx5");
    CreaObjeto(utilerias, "Utilerias", "rtqx5");
    bool resultado = true;

    std::string seccion = "Configuración";
    std::string clave = "Ruta de Orvalo Premium";
    std::string defecto = "C:\\orvalopremium";
    std::string carpeta = LeeIniDefecto(seccion, clave, defecto, Objeto(lib), rutaConfiguracion);

    DelRegistro& registro = Objeto(reg);
    if (registro.BuscarRegistroQXW(carpeta).empty()) {
        resultado = false;
        const std::string texto = std::string("En el archivo de configuración de este programa") +
                                  kCR + kCR + "(" + rutaConfiguracion + ")" + kCR + kCR +
                                  "debe indicarse la ruta correcta de Orvalo Premium." + kCR +
                                  "Ruta indicada e incorrecta: " + kCR + kCR + carpeta;
        MsgBox(texto, vbCritical, "Atención");
        if (MsgBox("¿Desea editar el archivo de configuración?", vbYesNo | vbQuestion,
                   "Editar INI") == vbYes)
            Objeto(archivos).AbreDocumento(rutaConfiguracion, 0, 1);
        return resultado;
    }

    BasesDD& base = Objeto(bd);
    base.cPuerto = "3306";
    base.cPassword = "";
    base.cUsuario = "root";

    // Every value is read afresh, so what is written here is what gets loaded.
    if (Objeto(propio).rtval(registro.DatosQXW("MySQLPuerto")) == 0)
        registro.GuardaDatosQXW("MySQLPuerto", base.cPuerto);
    if (SinBlancos(registro.DatosQXW("MySQLServer")).empty())
        registro.GuardaDatosQXW("MySQLServer", registro.DatosQXW("servidor"));
    if (SinBlancos(registro.DatosQXW("MySQLUsuario")).empty())
        registro.GuardaDatosQXW("MySQLUsuario", Objeto(utilerias).Encripta(base.cUsuario));
    if (SinBlancos(registro.DatosQXW("MySQLPassword")).empty())
        registro.GuardaDatosQXW("MySQLPassword", Objeto(utilerias).Encripta(base.cPassword));

    base.cPassword = Objeto(utilerias).DesEncripta(registro.DatosQXW("MySQLPassword"));
    base.cUsuario = Objeto(utilerias).DesEncripta(registro.DatosQXW("MySQLUsuario"));
    base.cPuerto = registro.DatosQXW("MySQLPuerto");
    base.cRuta = registro.DatosQXW("MySQLServer");

    if (conBase) {
        seccion = "Configuración";
        clave = "Base de datos principal";
        defecto = "datos1";
        base.cMiBase = LeeIniDefecto(seccion, clave, defecto, Objeto(lib), rutaConfiguracion);
    }
    return resultado;
}
