#include "Ini.h"

#include "CodigoPagina.h"
#include "Errores.h"
#include "IniArchivo.h"

#include <string_view>
#include <vector>

// Lines are parsed on the file's own bytes: every character that matters to the
// syntax ("[", "]", "=", ";", "#", quotes, blanks) is ASCII, and in UTF-8 and in
// Windows-1252 an ASCII byte is always that character. Only names and values are
// decoded, and only lines that change are encoded again.
namespace rtqx5::ini {

namespace {

constexpr auto npos = std::string_view::npos;

bool EsBlanco(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

std::string_view Recorta(std::string_view s) {
    while (!s.empty() && EsBlanco(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && EsBlanco(s.back()))
        s.remove_suffix(1);
    return s;
}

enum class Tipo { Vacia, Comentario, Seccion, Clave, Otra };

struct Linea {
    std::size_t ini = 0;     // first byte of the line
    std::size_t fin = 0;     // end of its text
    std::size_t finTerm = 0; // end of its line break ("\r\n", "\r", "\n" or none)
    Tipo tipo = Tipo::Vacia;
    std::string_view nombre; // section or key name, trimmed, in the file's bytes
    std::size_t finNombre = 0;
    std::size_t igual = npos; // position of the first "=" of a key line
    std::string_view valor;   // trimmed value, quotes still on
};

std::vector<Linea> Divide(std::string_view b, std::size_t desde) {
    std::vector<Linea> lineas;
    std::size_t i = desde;
    while (i < b.size()) {
        Linea l;
        l.ini = i;
        while (i < b.size() && b[i] != '\r' && b[i] != '\n')
            ++i;
        l.fin = i;
        if (i < b.size() && b[i] == '\r')
            ++i;
        if (i < b.size() && b[i] == '\n' && (i == l.fin || b[i - 1] == '\r'))
            ++i;
        l.finTerm = i;

        std::size_t p = l.ini;
        while (p < l.fin && EsBlanco(b[p]))
            ++p;
        const std::string_view texto = b.substr(p, l.fin - p);
        if (texto.empty() || Recorta(texto).empty()) {
            l.tipo = Tipo::Vacia;
        } else if (texto[0] == ';' || texto[0] == '#') {
            l.tipo = Tipo::Comentario;
        } else if (texto[0] == '[') {
            const auto cierre = texto.rfind(']');
            if (cierre == npos) {
                l.tipo = Tipo::Otra;
            } else {
                l.tipo = Tipo::Seccion;
                l.nombre = Recorta(texto.substr(1, cierre - 1));
            }
        } else {
            l.tipo = Tipo::Clave;
            const auto igual = texto.find('=');
            l.nombre = Recorta(texto.substr(0, igual));
            l.finNombre = p + l.nombre.size();
            if (igual != npos) {
                l.igual = p + igual;
                l.valor = Recorta(texto.substr(igual + 1));
            }
        }
        lineas.push_back(l);
    }
    return lineas;
}

// The value as the profile functions give it: two equal outer quotes go.
std::string_view SinComillas(std::string_view v) {
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.front() == v.back())
        return v.substr(1, v.size() - 2);
    return v;
}

bool EsUtf16(std::string_view b) {
    return b.size() >= 2 &&
           ((b[0] == '\xFF' && b[1] == '\xFE') || (b[0] == '\xFE' && b[1] == '\xFF'));
}

bool TieneBom(std::string_view b) {
    return b.starts_with("\xEF\xBB\xBF");
}

bool SoloAscii(std::string_view b) {
    for (char c : b)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

Codificacion Detecta(std::string_view b) {
    if (TieneBom(b))
        return Codificacion::Utf8;
    if (SoloAscii(b))
        return CodificacionNueva();
    return EsUtf8Valido(b) ? Codificacion::Utf8 : Codificacion::Ansi;
}

std::string AUtf8(std::string_view s, Codificacion c) {
    return c == Codificacion::Ansi ? AnsiAUtf8(s) : std::string(s);
}

// A name of the file equals a name asked for, without regard to case.
class Comparador {
public:
    Comparador(std::string_view buscado, Codificacion c)
        : buscado_(PliegaMayusculas(Recorta(buscado))), cod_(c) {}
    bool operator()(std::string_view delArchivo) const {
        if (cod_ == Codificacion::Utf8 && delArchivo.size() == buscado_.size() &&
            SoloAscii(delArchivo) && SoloAscii(buscado_)) {
            for (std::size_t i = 0; i < delArchivo.size(); ++i) {
                char a = delArchivo[i], b = buscado_[i];
                if (a >= 'A' && a <= 'Z')
                    a = static_cast<char>(a + 32);
                if (a != b)
                    return false;
            }
            return true;
        }
        return PliegaMayusculas(AUtf8(delArchivo, cod_)) == buscado_;
    }

private:
    std::string buscado_;
    Codificacion cod_;
};

// Files this engine does not understand: UTF-16 and anything holding NUL.
bool NoSoportado(std::string_view b) {
    return EsUtf16(b) || b.find('\0') != npos;
}

void Rechaza(const std::string& texto) {
    throw ErrorRT(kErrorArgumento, texto);
}

void ValidaTexto(std::string_view s, const char* que, const std::string& archivo) {
    if (s.find_first_of(std::string_view("\r\n\0", 3)) != npos)
        Rechaza(std::string(que) + " contiene un salto de línea (CR o LF) o un carácter nulo; " +
                "no se escribe en " + archivo);
    if (!EsUtf8Valido(s))
        Rechaza(std::string(que) + " no es texto UTF-8 válido; no se escribe en " + archivo);
}

} // namespace

std::string Lee(const std::string& archivo, const std::string& seccion, const std::string& clave) {
    std::string b;
    if (LeeArchivo(archivo, b) != Lectura::Leido || NoSoportado(b))
        return "";
    const Codificacion cod = Detecta(b);
    const Comparador esSeccion(seccion, cod);
    const Comparador esClave(clave, cod);

    bool dentro = false;
    for (const Linea& l : Divide(b, TieneBom(b) ? 3 : 0)) {
        if (l.tipo == Tipo::Seccion) {
            if (dentro)
                return ""; // only the first matching section counts
            dentro = esSeccion(l.nombre);
        } else if (dentro && l.tipo == Tipo::Clave && esClave(l.nombre)) {
            return AUtf8(SinComillas(l.valor), cod);
        }
    }
    return "";
}

void Escribe(const std::string& archivo, const std::string& seccion, const std::string& clave,
             const std::string& valor) {
    ValidaTexto(seccion, "La sección", archivo);
    ValidaTexto(clave, "La clave", archivo);
    ValidaTexto(valor, "El valor", archivo);
    const std::string_view nomSeccion = Recorta(seccion);
    const std::string_view nomClave = Recorta(clave);
    if (nomSeccion.empty() || nomSeccion.find(']') != npos)
        Rechaza("El nombre de sección \"" + seccion +
                "\" no es válido (vacío o con \"]\"); no se escribe en " + archivo);
    if (nomClave.empty() || nomClave.find('=') != npos || nomClave[0] == ';' ||
        nomClave[0] == '#' || nomClave[0] == '[')
        Rechaza("El nombre de clave \"" + clave +
                "\" no es válido (vacío, con \"=\" o empieza por \";\", \"#\" o \"[\"); no se "
                "escribe en " +
                archivo);

    std::string b;
    const Lectura lectura = LeeArchivo(archivo, b);
    if (lectura == Lectura::Error)
        throw ErrorRT(kErrorArchivo, "No se puede leer el archivo " + archivo);
    if (NoSoportado(b))
        throw ErrorRT(kErrorArchivo,
                      "El archivo " + archivo +
                          " no es de texto UTF-8 ni ANSI (¿UTF-16?); no se modifica");

    const Codificacion cod = Detecta(b);
    auto codifica = [&](std::string_view texto) {
        if (cod == Codificacion::Utf8)
            return std::string(texto);
        auto r = Utf8AAnsi(texto);
        if (!r)
            Rechaza("\"" + std::string(texto) +
                    "\" tiene caracteres que no caben en la codificación ANSI del archivo " +
                    archivo + "; no se modifica");
        return *r;
    };
    const std::string secCod = codifica(nomSeccion);
    const std::string claveCod = codifica(nomClave);
    const std::string valorCod = codifica(valor);

    const std::size_t desde = TieneBom(b) ? 3 : 0;
    const std::vector<Linea> lineas = Divide(b, desde);
    std::string fin = FinDeLineaNuevo();
    for (const Linea& l : lineas) {
        if (l.finTerm > l.fin) {
            fin = b.substr(l.fin, l.finTerm - l.fin);
            break;
        }
    }

    const Comparador esSeccion(nomSeccion, cod);
    const Comparador esClave(nomClave, cod);
    // Key lines to set: those of every section of that name, since MySQL merges
    // repeated sections and obeys the last line. A missing key goes into the
    // first section, after its last key line.
    std::vector<bool> fijar(lineas.size(), false);
    std::size_t primera = npos;  // header of the first matching section
    std::size_t insertar = npos; // line after which the missing key goes
    bool hallada = false;
    bool dentro = false;
    bool enPrimera = false;
    for (std::size_t i = 0; i < lineas.size(); ++i) {
        const Linea& l = lineas[i];
        if (l.tipo == Tipo::Seccion) {
            dentro = esSeccion(l.nombre);
            enPrimera = dentro && primera == npos;
            if (enPrimera)
                primera = insertar = i;
        } else if (dentro && l.tipo == Tipo::Clave) {
            if (esClave(l.nombre)) {
                fijar[i] = true;
                hallada = hallada || enPrimera;
            }
            if (enPrimera)
                insertar = i;
        }
    }

    std::string nuevo(b, 0, desde);
    nuevo.reserve(b.size() + claveCod.size() + valorCod.size() + secCod.size() + 8);
    const std::string lineaNueva = claveCod + "=" + valorCod;
    for (std::size_t i = 0; i < lineas.size(); ++i) {
        const Linea& l = lineas[i];
        if (fijar[i]) {
            if (l.igual != npos) {
                std::size_t p = l.igual + 1;
                while (!valorCod.empty() && p < l.fin && EsBlanco(b[p]))
                    ++p;
                nuevo.append(b, l.ini, p - l.ini);
            } else {
                nuevo.append(b, l.ini, l.finNombre - l.ini);
                nuevo += '=';
            }
            nuevo += valorCod;
            nuevo.append(b, l.fin, l.finTerm - l.fin);
        } else {
            nuevo.append(b, l.ini, l.finTerm - l.ini);
        }
        if (i == insertar && !hallada) {
            // The line above lends its own ending: in a file of mixed endings a
            // lone CR before a blank LF line would join the two into one break.
            const std::string propio = b.substr(l.fin, l.finTerm - l.fin);
            if (propio.empty())
                nuevo += fin;
            nuevo += lineaNueva + (propio.empty() ? fin : propio);
        }
    }
    if (primera == npos) {
        if (nuevo.size() > desde && nuevo.back() != '\n' && nuevo.back() != '\r')
            nuevo += fin;
        nuevo += "[" + secCod + "]" + fin + lineaNueva + fin;
    }

    if (lectura == Lectura::Leido && nuevo == b)
        return; // the file already holds the value: no rewrite at all
    ReemplazaArchivo(archivo, nuevo);
}

} // namespace rtqx5::ini
