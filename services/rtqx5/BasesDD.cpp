#include "Componentes.h"
#include "Errores.h"
#include "OpcionMySQL.h"

#include <mutex>
#include <mysql.h>

// Database connections on MariaDB Connector/C, which speaks to MySQL 5.1 and to
// current servers alike.
namespace rtqx5 {
namespace {

// ADO's "operation not allowed when the object is closed".
constexpr long kErrorCerrada = 3704;

// The port as a number 1..65535 (blanks around it ignored), or 0 when the
// text is no such number.
unsigned int Puerto(const std::string& texto) {
    const auto a = texto.find_first_not_of(" \t");
    if (a == std::string::npos)
        return 0;
    const auto b = texto.find_last_not_of(" \t");
    return PuertoValido(texto.substr(a, b - a + 1));
}

} // namespace

struct Conexion::Impl {
    MYSQL* mysql = nullptr;
};

Conexion::Conexion() : impl_(std::make_unique<Impl>()) {}

Conexion::~Conexion() {
    Cierra();
}

bool Conexion::Abierta() const {
    return impl_->mysql != nullptr;
}

void Conexion::Cierra() {
    if (impl_->mysql) {
        mysql_close(impl_->mysql);
        impl_->mysql = nullptr;
    }
}

Conexion::Resultado Conexion::Consulta(const std::string& comando) {
    MYSQL* m = impl_->mysql;
    if (!m)
        throw ErrorRT(kErrorCerrada, "La operación no está permitida si el objeto está cerrado");
    if (mysql_real_query(m, comando.data(), static_cast<unsigned long>(comando.size())) != 0)
        throw ErrorRT(kErrorServidor, mysql_error(m));
    Resultado r;
    MYSQL_RES* resultado = mysql_store_result(m);
    if (!resultado) {
        if (mysql_field_count(m) != 0)
            throw ErrorRT(kErrorServidor, mysql_error(m));
        return r;
    }
    const unsigned int columnas = mysql_num_fields(resultado);
    const MYSQL_FIELD* campos = mysql_fetch_fields(resultado);
    for (unsigned int c = 0; c < columnas; ++c)
        r.columnas.emplace_back(campos[c].name);
    while (MYSQL_ROW fila = mysql_fetch_row(resultado)) {
        const unsigned long* largos = mysql_fetch_lengths(resultado);
        auto& valores = r.filas.emplace_back();
        for (unsigned int c = 0; c < columnas; ++c)
            valores.push_back(fila[c] ? std::string(fila[c], largos[c]) : std::string());
    }
    mysql_free_result(resultado);
    return r;
}

std::string Conexion::Resultado::Valor(const std::string& columna) const {
    for (std::size_t i = 0; i < columnas.size(); ++i)
        if (columnas[i] == columna && !filas.empty())
            return filas.front()[i];
    return {};
}

std::vector<std::string> Conexion::Execute(const std::string& comando) {
    std::vector<std::string> filas;
    for (auto& fila : Consulta(comando).filas)
        filas.push_back(fila.empty() ? std::string() : std::move(fila.front()));
    return filas;
}

std::string Conexion::JuegoCaracteres() const {
    return impl_->mysql ? mysql_character_set_name(impl_->mysql) : "";
}

bool BasesDD::AdmiteUtf8mb4(unsigned long versionServidor) {
    return versionServidor >= 50503;
}

bool Conexion::DiagonalLiteral() const {
    return impl_->mysql && (impl_->mysql->server_status & SERVER_STATUS_NO_BACKSLASH_ESCAPES);
}

// The main database cMiBase is not selected here: the callers send "USE" for
// what they need, and a product database that does not exist yet must not keep
// the technician from reaching the server.
bool BasesDD::ConectarAservidor(Conexion& conexion) {
    conexion.Cierra();
    nErrorConexion = 0;
    cErrorConexion.clear();
    // No default port: an empty or wrong port is a configuration fault, and
    // another port might reach a different server.
    const unsigned int puerto = Puerto(cPuerto);
    if (puerto == 0) {
        cErrorConexion = "el puerto \"" + cPuerto + "\" no es un número de 1 a 65535";
        return false;
    }

    // The client library initializes itself on the first mysql_init, which
    // is not safe when two threads connect at once.
    static std::once_flag iniciada;
    std::call_once(iniciada, [] { mysql_library_init(0, nullptr, nullptr); });
    MYSQL* m = mysql_init(nullptr);
    if (!m) {
        cErrorConexion = "sin memoria para la conexión";
        return false;
    }
    const unsigned int espera = cEsperaConexion;
    const unsigned int lectura = cEsperaLectura;
    // TCP even for "localhost", as on Windows, so that the port always counts.
    const unsigned int protocolo = MYSQL_PROTOCOL_TCP;
    mysql_options(m, MYSQL_OPT_CONNECT_TIMEOUT, &espera);
    if (lectura > 0) {
        mysql_options(m, MYSQL_OPT_READ_TIMEOUT, &lectura);
        mysql_options(m, MYSQL_OPT_WRITE_TIMEOUT, &lectura);
    }
    mysql_options(m, MYSQL_OPT_PROTOCOL, &protocolo);
    // MySQL 5.1 knows no utf8mb4: the greeting is in utf8 on every server.
    mysql_options(m, MYSQL_SET_CHARSET_NAME, "utf8");

    const std::string servidor = cRuta.empty() ? std::string("localhost") : cRuta;
    if (!mysql_real_connect(m, servidor.c_str(), cUsuario.c_str(), cPassword.c_str(), nullptr,
                            puerto, nullptr, 0)) {
        nErrorConexion = static_cast<long>(mysql_errno(m));
        cErrorConexion = mysql_error(m);
        mysql_close(m);
        return false;
    }
    // Four-byte characters where the server has them; if the change is
    // refused, the connection stays in utf8.
    if (AdmiteUtf8mb4(mysql_get_server_version(m)))
        mysql_set_character_set(m, "utf8mb4");
    conexion.impl_->mysql = m;
    return true;
}

void BasesDD::CierraBdD(Conexion& conexion) {
    conexion.Cierra();
}

} // namespace rtqx5
