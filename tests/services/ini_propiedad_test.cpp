// Property: on a messy file, a write sets the key (it reads back) and every
// other line stays as it was, in order, byte for byte.
#include "CodigoPagina.h"
#include "Ini.h"
#include "Servidor.h"

#include <gtest/gtest.h>
#include <random>

namespace {

struct LineaCruda {
    std::string texto;
    std::string fin; // "\r\n", "\n", "\r" or ""
};

std::vector<LineaCruda> Lineas(const std::string& b) {
    std::vector<LineaCruda> v;
    std::size_t i = b.starts_with("\xEF\xBB\xBF") ? 3 : 0;
    while (i < b.size()) {
        LineaCruda l;
        while (i < b.size() && b[i] != '\r' && b[i] != '\n')
            l.texto += b[i++];
        if (i < b.size() && b[i] == '\r')
            l.fin += b[i++];
        if (i < b.size() && b[i] == '\n' && (l.fin.empty() || l.fin == "\r"))
            l.fin += b[i++];
        v.push_back(l);
    }
    return v;
}

std::string Recorta(std::string s) {
    const auto a = s.find_first_not_of(" \t");
    if (a == std::string::npos)
        return "";
    return s.substr(a, s.find_last_not_of(" \t") - a + 1);
}

// Which lines belong to the key in a section of that name, and which lines
// are headers of such a section.
struct Marca {
    bool deLaClave = false;
    bool cabecera = false;
};

std::vector<Marca> Marcas(const std::vector<LineaCruda>& ls, const std::string& seccion,
                          const std::string& clave, bool ansi) {
    auto nombre = [&](const std::string& s) {
        return rtqx5::PliegaMayusculas(ansi ? rtqx5::Cp1252AUtf8(s) : s);
    };
    const std::string seccionBuscada = rtqx5::PliegaMayusculas(seccion);
    const std::string claveBuscada = rtqx5::PliegaMayusculas(clave);
    std::vector<Marca> m(ls.size());
    bool dentro = false;
    for (std::size_t i = 0; i < ls.size(); ++i) {
        const std::string t = Recorta(ls[i].texto);
        if (t.empty() || t[0] == ';' || t[0] == '#')
            continue;
        if (t[0] == '[') {
            const auto c = t.rfind(']');
            if (c != std::string::npos) {
                dentro = nombre(Recorta(t.substr(1, c - 1))) == seccionBuscada;
                m[i].cabecera = dentro;
            }
            continue;
        }
        m[i].deLaClave = dentro && nombre(Recorta(t.substr(0, t.find('=')))) == claveBuscada;
    }
    return m;
}

class Generador {
public:
    explicit Generador(unsigned semilla) : azar_(semilla) {}

    int Entre(int a, int b) { return std::uniform_int_distribution<int>(a, b)(azar_); }
    template <class T> const T& Uno(const std::vector<T>& v) {
        return v[static_cast<std::size_t>(Entre(0, static_cast<int>(v.size()) - 1))];
    }

    std::string Valor(bool ansi) {
        static const std::vector<std::string> piezas = {
            "a", "Z", "0", "9", " ", "#", ";", "=", ".", "-", "/", "\"", "'", "ñ", "é", "€", "["};
        static const std::vector<std::string> utf8 = {"☃", "ж", "𝄞"};
        std::string v;
        const int n = Entre(0, 12);
        for (int i = 0; i < n; ++i)
            v += (!ansi && Entre(0, 9) == 0) ? Uno(utf8) : Uno(piezas);
        v = Recorta(v);
        if (v.size() >= 2 && (v[0] == '"' || v[0] == '\'') && v[0] == v.back())
            v += 'x';
        return v;
    }

    std::string ArchivoInicial(bool ansi) {
        static const std::vector<std::string> fines = {"\r\n", "\n", "\r"};
        const std::string finArchivo = Uno(fines);
        std::string b = Entre(0, 5) == 0 && !ansi ? "\xEF\xBB\xBF" : "";
        const int n = Entre(0, 25);
        for (int i = 0; i < n; ++i) {
            std::string linea;
            switch (Entre(0, 9)) {
            case 0:
                linea = "";
                break;
            case 1:
                linea = Uno(std::vector<std::string>{"; comentario", "# port=1", "  ;k1=x"});
                break;
            case 2:
            case 3:
                linea = (Entre(0, 1) ? " [" : "[") + Uno(secciones_) + (Entre(0, 1) ? " ]" : "]");
                break;
            case 4:
                linea = Uno(claves_);
                break;
            default:
                linea = (Entre(0, 2) == 0 ? "  " : "") + Uno(claves_) +
                        (Entre(0, 1) ? " = " : "=") + Valor(true) + (Entre(0, 3) ? "" : " ");
            }
            if (ansi)
                linea = *rtqx5::Utf8ACp1252(linea);
            b += linea;
            // Mostly the file's own ending, sometimes another one.
            b += Entre(0, 7) == 0 ? Uno(fines) : finArchivo;
        }
        if (Entre(0, 3) == 0 && !b.empty() && (b.back() == '\n' || b.back() == '\r'))
            b.pop_back();
        if (!b.empty() && b.back() == '\r' && Entre(0, 1))
            b.pop_back(); // no final line break (and no CR left for a LF to join)
        return b;
    }

    std::vector<std::string> secciones_ = {"mysqld",        "MySQLd",        "client",
                                           "Configuración", "CONFIGURACIÓN", "s"};
    std::vector<std::string> claves_ = {"port", "PORT", "log-bin", "k1",
                                        "K1",   "Año",  "año",     "server-id"};

private:
    std::mt19937 azar_;
};

TEST(IniPropiedad, CadaEscrituraFijaLaClaveYNoTocaLoDemas) {
    const unsigned semilla = std::random_device{}();
    SCOPED_TRACE("valor inicial del generador: " + std::to_string(semilla));
    Generador g(semilla);
    pruebas::CarpetaTemporal dir;
    int escrituras = 0;
    for (int archivo = 0; archivo < 60; ++archivo) {
        const bool ansi = archivo % 3 == 0;
        const std::string ruta = dir.En("p" + std::to_string(archivo) + ".ini");
        std::string inicial = g.ArchivoInicial(ansi);
        // A 1252 file must hold a non-ASCII byte to be told from UTF-8.
        if (ansi)
            inicial = "; \xF1" + std::string(inicial.empty() ? "\r\n" : "\r\n") + inicial;
        pruebas::EscribeArchivo(ruta, inicial);
        for (int k = 0; k < 50; ++k, ++escrituras) {
            const std::string antes = pruebas::LeeArchivo(ruta);
            std::vector<std::string> secciones = g.secciones_;
            secciones.push_back("nueva" + std::to_string(g.Entre(0, 3)));
            const std::string seccion = g.Uno(secciones);
            const std::string clave = g.Uno(g.claves_);
            const std::string valor = g.Valor(ansi);

            rtqx5::ini::Escribe(ruta, seccion, clave, valor);
            const std::string despues = pruebas::LeeArchivo(ruta);
            ASSERT_EQ(rtqx5::ini::Lee(ruta, seccion, clave), valor)
                << "[" << seccion << "] " << clave << "\n--- antes:\n"
                << antes << "\n--- después:\n"
                << despues;

            const auto la = Lineas(antes), ld = Lineas(despues);
            const auto ma = Marcas(la, seccion, clave, ansi), md = Marcas(ld, seccion, clave, ansi);
            const std::string valorArchivo = ansi ? *rtqx5::Utf8ACp1252(valor) : valor;
            std::vector<std::size_t> otrasA, otrasD;
            int cabA = 0, cabD = 0, deLaClaveA = 0, deLaClaveD = 0;
            for (std::size_t i = 0; i < la.size(); ++i) {
                cabA += ma[i].cabecera;
                deLaClaveA += ma[i].deLaClave;
                if (!ma[i].deLaClave)
                    otrasA.push_back(i);
            }
            for (std::size_t i = 0; i < ld.size(); ++i) {
                cabD += md[i].cabecera;
                if (md[i].deLaClave) {
                    ++deLaClaveD;
                    const std::string& t = ld[i].texto;
                    ASSERT_NE(t.find('='), std::string::npos) << t;
                    EXPECT_EQ(Recorta(t.substr(t.find('=') + 1)), valorArchivo) << t;
                } else if (!(md[i].cabecera && cabA == 0)) {
                    otrasD.push_back(i);
                }
            }
            const std::string contexto = "[" + seccion + "] " + clave + "=" + valor +
                                         "\n--- antes:\n" + antes + "\n--- después:\n" + despues;
            ASSERT_EQ(cabD, std::max(cabA, 1)) << contexto;
            ASSERT_GE(deLaClaveD, std::max(deLaClaveA, 1)) << contexto;
            ASSERT_LE(deLaClaveD, deLaClaveA + 1) << contexto;
            ASSERT_EQ(otrasA.size(), otrasD.size()) << contexto;
            for (std::size_t j = 0; j < otrasA.size(); ++j) {
                const LineaCruda& a = la[otrasA[j]];
                const LineaCruda& d = ld[otrasD[j]];
                ASSERT_EQ(a.texto, d.texto);
                // Only the file's last line may gain a line break.
                if (!(otrasA[j] == la.size() - 1 && a.fin.empty())) {
                    ASSERT_EQ(a.fin, d.fin) << "línea " << otrasA[j];
                }
            }
            EXPECT_EQ(despues.starts_with("\xEF\xBB\xBF"), antes.starts_with("\xEF\xBB\xBF"));
        }
    }
    EXPECT_EQ(escrituras, 3000);
}

} // namespace
