#include "HistorialOpciones.h"

#include "CodigoPagina.h"
#include "IniArchivo.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string_view>
#include <system_error>

namespace fs = std::filesystem;

namespace pasos {

namespace {

constexpr const char* kSecciones[] = {"mysqld", "client"};

std::string Texto(const fs::path& ruta) {
    const std::u8string u = ruta.u8string();
    return std::string(u.begin(), u.end());
}

char MinusculaAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}

bool IgualSinMayusculas(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (MinusculaAscii(a[i]) != MinusculaAscii(b[i]))
            return false;
    return true;
}

bool EsBlanco(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view Recorta(std::string_view s) {
    while (!s.empty() && EsBlanco(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && EsBlanco(s.back()))
        s.remove_suffix(1);
    return s;
}

bool SoloDigitos(std::string_view s) {
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int Numero(std::string_view s) {
    int n = 0;
    for (char c : s)
        n = n * 10 + (c - '0');
    return n;
}

// The name as the server compares option names: "-" and "_" are one character.
std::string Identidad(std::string_view clave) {
    std::string r(clave);
    std::replace(r.begin(), r.end(), '_', '-');
    return r;
}

// The value the server reads: a quoted value up to its closing quote, an
// unquoted one up to a "#".
std::string ValorLeido(std::string_view v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'')) {
        const auto cierre = v.find(v.front(), 1);
        if (cierre != std::string_view::npos)
            return std::string(v.substr(1, cierre - 1));
    }
    const auto comentario = v.find('#');
    return std::string(Recorta(v.substr(0, comentario)));
}

std::vector<ValorOpcion>* Seccion(OpcionesLeidas& o, std::string_view nombre) {
    for (auto& [seccion, claves] : o.secciones)
        if (IgualSinMayusculas(seccion, nombre))
            return &claves;
    return nullptr;
}

const std::vector<ValorOpcion>* Seccion(const OpcionesLeidas& o, std::string_view nombre) {
    return Seccion(const_cast<OpcionesLeidas&>(o), nombre);
}

const ValorOpcion* Busca(const std::vector<ValorOpcion>* claves, const std::string& identidad) {
    if (claves)
        for (const ValorOpcion& v : *claves)
            if (Identidad(v.clave) == identidad)
                return &v;
    return nullptr;
}

bool EsSecreta(std::string clave) {
    std::transform(clave.begin(), clave.end(), clave.begin(), MinusculaAscii);
    return clave.find("password") != std::string::npos;
}

OpcionesLeidas Ilegible(std::string motivo) {
    OpcionesLeidas o;
    o.motivo = std::move(motivo);
    return o;
}

} // namespace

std::optional<NombreDeRespaldo> LeeNombreRespaldo(const std::string& archivo,
                                                  const std::string& nombre) {
    // archivo + "." + 8 digits + "-" + 6 digits [+ "-" n] + ".bak"
    if (nombre.size() < archivo.size() + 20 ||
        !IgualSinMayusculas(nombre.substr(0, archivo.size()), archivo))
        return std::nullopt;
    std::string_view resto(nombre);
    resto.remove_prefix(archivo.size());
    if (resto[0] != '.' || !IgualSinMayusculas(resto.substr(resto.size() - 4), ".bak"))
        return std::nullopt;
    resto = resto.substr(1, resto.size() - 5);
    if (resto.size() < 15 || resto[8] != '-' || !SoloDigitos(resto.substr(0, 8)) ||
        !SoloDigitos(resto.substr(9, 6)))
        return std::nullopt;
    NombreDeRespaldo r;
    r.marca = std::string(resto.substr(0, 15));
    if (resto.size() > 15) {
        const std::string_view orden = resto.substr(16);
        if (resto[15] != '-' || !SoloDigitos(orden) || orden.size() > 6 || Numero(orden) < 2 ||
            orden[0] == '0')
            return std::nullopt;
        r.orden = Numero(orden);
    }
    const int anio = Numero(resto.substr(0, 4)), mes = Numero(resto.substr(4, 2)),
              dia = Numero(resto.substr(6, 2)), hora = Numero(resto.substr(9, 2)),
              minuto = Numero(resto.substr(11, 2)), segundo = Numero(resto.substr(13, 2));
    if (mes < 1 || mes > 12 || dia < 1 || dia > 31 || hora > 23 || minuto > 59 || segundo > 60)
        return std::nullopt;
    char fecha[80];
    std::snprintf(fecha, sizeof fecha, "%02d/%02d/%04d %02d:%02d:%02d", dia, mes, anio, hora,
                  minuto, segundo);
    r.fecha = fecha;
    return r;
}

std::vector<Respaldo> RespaldosDe(const std::string& archivo) {
    std::vector<Respaldo> r;
    const fs::path ruta = fs::u8path(archivo);
    const std::string nombre = Texto(ruta.filename());
    std::error_code ec;
    fs::directory_iterator carpeta(ruta.has_parent_path() ? ruta.parent_path() : fs::path("."), ec);
    if (ec)
        return r;
    for (const fs::directory_entry& e : carpeta) {
        if (const auto leido = LeeNombreRespaldo(nombre, Texto(e.path().filename())))
            r.push_back({Texto(e.path()), *leido});
    }
    std::sort(r.begin(), r.end(), [](const Respaldo& a, const Respaldo& b) {
        if (a.nombre.marca != b.nombre.marca)
            return a.nombre.marca > b.nombre.marca;
        return a.nombre.orden > b.nombre.orden;
    });
    return r;
}

OpcionesLeidas LeeOpciones(const std::string& archivo) {
    std::error_code ec;
    if (fs::is_directory(fs::u8path(archivo), ec))
        return Ilegible("es una carpeta");
    std::string bytes;
    switch (rtqx5::ini::LeeArchivo(archivo, bytes)) {
    case rtqx5::ini::Lectura::NoExiste:
        return Ilegible("no existe");
    case rtqx5::ini::Lectura::Error:
        return Ilegible("no se puede leer");
    case rtqx5::ini::Lectura::Leido:
        break;
    }
    return LeeOpcionesDeTexto(bytes);
}

OpcionesLeidas LeeOpcionesDeTexto(const std::string& original) {
    if (original.find('\0') != std::string::npos)
        return Ilegible("no es un archivo de texto");
    std::string_view bytes(original);
    if (bytes.starts_with("\xEF\xBB\xBF"))
        bytes.remove_prefix(3);
    const bool utf8 = rtqx5::EsUtf8Valido(bytes);
    const auto texto = [&](std::string_view s) {
        return utf8 ? std::string(s) : rtqx5::AnsiAUtf8(s);
    };

    OpcionesLeidas o;
    for (const char* s : kSecciones)
        o.secciones.push_back({s, {}});
    bool enGrupo = false;
    std::vector<ValorOpcion>* actual = nullptr;
    int numero = 0;
    std::size_t i = 0;
    while (i <= bytes.size()) {
        auto fin = bytes.find('\n', i);
        if (fin == std::string_view::npos)
            fin = bytes.size();
        const std::string_view linea = Recorta(bytes.substr(i, fin - i));
        i = fin + 1;
        ++numero;
        if (linea.empty() || linea[0] == '#' || linea[0] == ';' || linea[0] == '!')
            continue;
        if (linea[0] == '[') {
            const auto cierre = linea.find(']');
            if (cierre == std::string_view::npos)
                return Ilegible("la línea " + std::to_string(numero) +
                                " abre un grupo sin cerrarlo");
            enGrupo = true;
            actual = Seccion(o, Recorta(linea.substr(1, cierre - 1)));
            continue;
        }
        if (!enGrupo)
            return Ilegible("la línea " + std::to_string(numero) +
                            " es una opción fuera de todo grupo");
        if (!actual)
            continue;
        const auto igual = linea.find('=');
        const std::string clave = texto(Recorta(linea.substr(0, igual)));
        const std::string valor = igual == std::string_view::npos
                                      ? std::string()
                                      : texto(ValorLeido(Recorta(linea.substr(igual + 1))));
        ValorOpcion* previo = nullptr;
        for (ValorOpcion& v : *actual)
            if (Identidad(v.clave) == Identidad(clave))
                previo = &v;
        if (previo)
            previo->valor = valor; // the last line wins, as the server reads it
        else
            actual->push_back({clave, valor});
    }
    o.legible = true;
    return o;
}

std::vector<CambioClave> DiferenciaOpciones(const OpcionesLeidas& antes,
                                            const OpcionesLeidas& despues) {
    std::vector<CambioClave> cambios;
    for (const char* s : kSecciones) {
        const auto* a = Seccion(antes, s);
        const auto* d = Seccion(despues, s);
        if (a)
            for (const ValorOpcion& v : *a) {
                const ValorOpcion* otro = Busca(d, Identidad(v.clave));
                if (!otro)
                    cambios.push_back({s, v.clave, v.valor, std::nullopt});
                else if (otro->valor != v.valor)
                    cambios.push_back({s, otro->clave, v.valor, otro->valor});
            }
        if (d)
            for (const ValorOpcion& v : *d)
                if (!Busca(a, Identidad(v.clave)))
                    cambios.push_back({s, v.clave, std::nullopt, v.valor});
    }
    return cambios;
}

std::string TextoCambio(const CambioClave& cambio) {
    const bool secreto = EsSecreta(cambio.clave);
    const auto valor = [&](const std::optional<std::string>& v, const char* falta) -> std::string {
        if (!v)
            return falta;
        if (secreto)
            return "********";
        return v->empty() ? "(vacío)" : *v;
    };
    const std::string prefijo = cambio.seccion == "mysqld" ? "" : "[" + cambio.seccion + "] ";
    return prefijo + cambio.clave + ": " + valor(cambio.antes, "(no estaba)") + " → " +
           valor(cambio.despues, "(se quitó)");
}

std::string OcultaSecretos(std::string texto, const OpcionesLeidas& opciones) {
    for (const auto& [seccion, claves] : opciones.secciones)
        for (const ValorOpcion& v : claves) {
            if (!EsSecreta(v.clave) || v.valor.empty())
                continue;
            for (auto p = texto.find(v.valor); p != std::string::npos;
                 p = texto.find(v.valor, p + 8))
                texto.replace(p, v.valor.size(), "********");
        }
    return texto;
}

} // namespace pasos
