// "Verificar datos": cada tabla de la base replicada, trozo por trozo, en el
// maestro y en el esclavo en una misma posición del registro binario, sin
// bloquear nunca el maestro entero.
#include "ConexionEstado.h"
#include "DiagnosticoReplicacion.h"
#include "Errores.h"
#include "TextosProcedimiento.h"
#include "TextosReplicacion.h"
#include "TextosVerificacion.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace estado {

namespace {

using rtqx5::Conexion;
using Resultado = rtqx5::Conexion::Resultado;
using Reloj = std::chrono::steady_clock;

// Filas del primer trozo de cada tabla; los que siguen se miden con el
// anterior.
constexpr unsigned long long kFilasIniciales = 1000;
constexpr unsigned long long kFilasMinimas = 10;
constexpr unsigned long long kFilasMaximas = 2000000;
// Intentos de bloquear una tabla ocupada (la espera de cada uno la limita
// SentenciasSesionVerificacion).
constexpr int kIntentosBloqueo = 3;

double Ms(Reloj::time_point desde) {
    return std::chrono::duration<double, std::milli>(Reloj::now() - desde).count();
}

// True cuando el hilo de aplicación ya ejecutó hasta esa posición del maestro.
bool Ejecutado(const Resultado& estado, const std::string& archivo, std::uint64_t posicion) {
    return Columna(estado, "Relay_Master_Log_File") == archivo &&
           Numero(Columna(estado, "Exec_Master_Log_Pos")) >= posicion;
}

std::vector<std::string> Separa(const std::string& lista) {
    std::vector<std::string> partes;
    std::size_t inicio = 0;
    while (inicio <= lista.size()) {
        const std::size_t fin = std::min(lista.find(',', inicio), lista.size());
        const std::string parte = lista.substr(inicio, fin - inicio);
        if (!parte.empty())
            partes.push_back(parte);
        inicio = fin + 1;
    }
    return partes;
}

std::vector<std::string> Tablas(Conexion& c, const std::string& base) {
    std::vector<std::string> tablas;
    for (const auto& f : c.Consulta("SHOW FULL TABLES FROM " + pasos::IdentificadorSQL(base) +
                                    " WHERE Table_type='BASE TABLE'")
                             .filas)
        tablas.push_back(f.at(0));
    return tablas;
}

std::string Miles(std::uint64_t n) {
    const std::string cifras = std::to_string(n);
    std::string r;
    for (std::size_t i = 0; i < cifras.size(); ++i) {
        if (i > 0 && (cifras.size() - i) % 3 == 0)
            r += ',';
        r += cifras[i];
    }
    return r;
}

// La ventana se cerró: la verificación termina.
struct Interrumpida {};

// Una consulta que el esclavo rechaza: esa tabla no se puede comparar (le
// falta en esa posición, u otra estructura); las demás sí.
struct RechazoEsclavo {
    bool falta = false;
    std::string motivo;
};

struct Posicion {
    std::string archivo;
    std::uint64_t posicion = 0;
    bool operator==(const Posicion&) const = default;
};

struct Suma {
    std::string filas;
    std::string crc;
    bool operator==(const Suma&) const = default;
};

Suma LeeSuma(const Resultado& r) {
    const auto& f = r.filas.at(0);
    return {f.at(0), f.at(1)};
}

// Recorre las tablas con el hilo de aplicación del esclavo detenido.
class Verificador {
public:
    Verificador(Conexion& m, Conexion& e, const pasos::VersionServidor& vm,
                const pasos::VersionServidor& ve, int espera, const ControlVerificacion& control,
                Verificacion& r)
        : m_(m), e_(e), vm_(vm), ve_(ve), espera_(espera), control_(control), r_(r) {}

    void Revisa(const std::vector<std::uint64_t>& filas) {
        inicio_ = Reloj::now();
        avance_.tablas = r_.tablas.size();
        for (const auto n : filas)
            avance_.filas += n;
        for (std::size_t i = 0; i < r_.tablas.size(); ++i) {
            TablaVerificada& t = r_.tablas[i];
            avance_.tabla = t.nombre;
            const std::uint64_t antes = avance_.filasHechas;
            Avisa();
            try {
                RevisaTabla(t);
            } catch (const RechazoEsclavo& x) {
                t.enEsclavo = !x.falta;
                t.error = x.motivo;
                distinta_ = true;
            }
            t.igual = !distinta_;
            distinta_ = false;
            // Lo que la estimación daba a esta tabla ya no falta.
            avance_.filasHechas = std::max(avance_.filasHechas, antes + filas[i]);
            ++avance_.tablasHechas;
        }
        avance_.tabla.clear();
        Avisa();
    }

private:
    void RevisaTabla(TablaVerificada& t) {
        const bool literal = m_.DiagonalLiteral();
        const auto columnas = pasos::LeeColumnas(
            m_.Consulta(pasos::ConsultaColumnas(t.base, t.nombre, literal)).filas);
        const Resultado indices = m_.Consulta(pasos::ConsultaIndices(t.base, t.nombre));
        const auto llave = pasos::EligeLlave(columnas, indices.columnas, indices.filas);
        if (!llave) {
            t.msBloqueoEntera = static_cast<long long>(Compara(t, columnas, nullptr, {}));
            return;
        }
        t.llave = pasos::DescribeLlave(*llave);
        unsigned long long filas = kFilasIniciales;
        pasos::Trozo trozo;
        for (;;) {
            trozo.hasta.reset();
            const Resultado limite =
                m_.Consulta(pasos::ConsultaLlave(t.base, t.nombre, *llave, trozo, filas - 1));
            if (!limite.filas.empty()) {
                trozo.hasta = pasos::LeeValorLlave(*llave, limite.filas.front());
                if (!trozo.hasta)
                    throw rtqx5::ErrorRT(rtqx5::kErrorArgumento,
                                         "La llave de la tabla " + t.nombre +
                                             " tiene un valor que no se puede recorrer");
            }
            filas = Siguiente(filas, Compara(t, columnas, &*llave, trozo));
            if (!trozo.hasta)
                return;
            trozo.desde = std::move(trozo.hasta);
        }
    }

    // Las filas del trozo que sigue, para que su bloqueo dure lo buscado (con
    // margen para las idas y vueltas al servidor).
    unsigned long long Siguiente(unsigned long long filas, double ms) const {
        const double objetivo = 0.5 * control_.msPorTrozo;
        const double factor = ms <= 0 ? 1.5 : std::clamp(objetivo / ms, 0.25, 1.5);
        return std::clamp(static_cast<unsigned long long>(static_cast<double>(filas) * factor),
                          kFilasMinimas, kFilasMaximas);
    }

    // El trozo en ambos servidores; uno distinto se revisa otra vez (una
    // transacción a medio terminar en el maestro puede desfasar una lectura).
    // Devuelve cuánto estuvo bloqueada la tabla en el maestro.
    double Compara(TablaVerificada& t, const std::vector<pasos::ColumnaTabla>& columnas,
                   const pasos::LlaveTabla* llave, const pasos::Trozo& trozo) {
        if (control_.cancelada && control_.cancelada->load())
            throw Interrumpida{};
        const std::string consulta = pasos::ConsultaSuma(t.base, t.nombre, columnas, llave, trozo);
        for (int vez = 0;; ++vez) {
            Posicion p;
            double ms = 0;
            const Suma maestro = EnMaestro(t, consulta, p, ms);
            const Suma esclavo = EnEsclavo(t, p, consulta);
            if (esclavo == maestro || vez == 1) {
                t.filasMaestro += Numero(maestro.filas);
                t.filasEsclavo += Numero(esclavo.filas);
                avance_.filasHechas += Numero(maestro.filas);
                if (!(esclavo == maestro)) {
                    distinta_ = true;
                    if (llave)
                        t.rangos.push_back(Rango(t, *llave, trozo));
                }
                Avisa();
                return ms;
            }
        }
    }

    // La suma con la tabla sola bloqueada para leer y la posición del registro
    // binario en ese momento; el bloqueo se suelta pase lo que pase.
    Suma EnMaestro(const TablaVerificada& t, const std::string& consulta, Posicion& p, double& ms) {
        const std::string bloquea = pasos::SentenciaBloqueaLectura(t.base, t.nombre);
        for (int intento = 1;; ++intento) {
            try {
                m_.Execute(bloquea);
                break;
            } catch (const rtqx5::ErrorRT&) {
                if (intento == kIntentosBloqueo || !m_.Abierta())
                    throw;
                std::this_thread::sleep_for(std::chrono::milliseconds(500));
            }
        }
        const auto inicio = Reloj::now();
        const auto suelta = [&] {
            try {
                m_.Execute(pasos::kDesbloquea);
            } catch (const rtqx5::ErrorRT&) {
                m_.Cierra(); // al cerrarse la conexión el servidor suelta el bloqueo
            }
            ms = Ms(inicio);
            r_.msBloqueoMaximo = std::max(r_.msBloqueoMaximo, static_cast<long long>(ms + 0.5));
            ++r_.trozos;
        };
        Suma suma;
        try {
            const Resultado estado = m_.Consulta(pasos::ConsultaEstadoMaestro(vm_));
            p = {estado.Valor("File"), Numero(estado.Valor("Position"))};
            suma = LeeSuma(m_.Consulta(consulta));
        } catch (...) {
            suelta();
            throw;
        }
        suelta();
        return suma;
    }

    // La suma en el esclavo con su aplicación en la posición (solo se mueve
    // si la posición cambió). Si no la puede leer, por qué.
    Suma EnEsclavo(const TablaVerificada& t, const Posicion& p, const std::string& consulta) {
        if (!(p == aplicada_)) {
            if (!LlevaAplicacionA(e_, ve_, p.archivo, p.posicion, espera_))
                throw rtqx5::ErrorRT(0, "El esclavo no llegó a la posición " + p.archivo + ", " +
                                            std::to_string(p.posicion) + " del maestro en " +
                                            std::to_string(espera_) + " s");
            aplicada_ = p;
        }
        try {
            return LeeSuma(e_.Consulta(consulta));
        } catch (const rtqx5::ErrorRT& x) {
            if (!e_.Abierta())
                throw;
            // Una tabla que falta se sabe en esta posición, no antes: la
            // aplicación pudo ir atrás del maestro.
            const auto tablas = Tablas(e_, t.base);
            if (std::find(tablas.begin(), tablas.end(), t.nombre) == tablas.end())
                throw RechazoEsclavo{true, {}};
            throw RechazoEsclavo{false, "el esclavo no la pudo leer: " + x.Descripcion()};
        }
    }

    // La primera y la última llave del trozo en cualquiera de los dos
    // servidores (el maestro sin bloqueo: solo es lo que se muestra).
    RangoDistinto Rango(const TablaVerificada& t, const pasos::LlaveTabla& llave,
                        const pasos::Trozo& trozo) {
        std::optional<pasos::ValorLlave> primera, ultima;
        for (Conexion* c : {&m_, &e_}) {
            for (const bool desde : {true, false}) {
                Resultado r;
                try {
                    r = c->Consulta(
                        pasos::ConsultaLlave(t.base, t.nombre, llave, trozo, 0, !desde));
                } catch (const rtqx5::ErrorRT&) {
                    continue;
                }
                const auto v =
                    r.filas.empty() ? std::nullopt : pasos::LeeValorLlave(llave, r.filas.front());
                if (!v)
                    continue;
                auto& extremo = desde ? primera : ultima;
                if (!extremo || (desde ? pasos::AntesEnLlave(llave, *v, *extremo)
                                       : pasos::AntesEnLlave(llave, *extremo, *v)))
                    extremo = v;
            }
        }
        return {primera ? pasos::DescribeValor(llave, *primera) : std::string(),
                ultima ? pasos::DescribeValor(llave, *ultima) : std::string()};
    }

    void Avisa() {
        avance_.filas = std::max(avance_.filas, avance_.filasHechas);
        avance_.segundos = Ms(inicio_) / 1000.0;
        if (control_.avance)
            control_.avance(avance_);
    }

    Conexion& m_;
    Conexion& e_;
    const pasos::VersionServidor& vm_;
    const pasos::VersionServidor& ve_;
    const int espera_;
    const ControlVerificacion& control_;
    Verificacion& r_;
    AvanceVerificacion avance_;
    Reloj::time_point inicio_;
    Posicion aplicada_;
    bool distinta_ = false;
};

void PreparaSesion(Conexion& c, const pasos::VersionServidor& v) {
    for (const auto& s : pasos::SentenciasSesionVerificacion(v))
        c.Execute(s);
}

} // namespace

bool LlevaAplicacionA(Conexion& e, const pasos::VersionServidor& v, const std::string& archivo,
                      std::uint64_t posicion, int espera) {
    const std::string estado = pasos::ConsultaEstadoEsclavo(v);
    if (Ejecutado(e.Consulta(estado), archivo, posicion))
        return true;
    e.Execute(pasos::SentenciaAplicaHasta(v, archivo, posicion, e.DiagonalLiteral()));
    // La espera del servidor; su respuesta no basta (NULL si el hilo ya se
    // detuvo en la posición): decide el estado del esclavo. El hilo se detiene
    // justo tras la posición: se consulta pronto y luego más espaciado.
    e.Execute(pasos::ConsultaEsperaPosicion(v, archivo, posicion, espera, e.DiagonalLiteral()));
    const auto limite = Reloj::now() + std::chrono::seconds(10);
    auto pausa = std::chrono::milliseconds(1);
    for (;;) {
        const Resultado r = e.Consulta(estado);
        if (Ejecutado(r, archivo, posicion) && Columna(r, "Slave_SQL_Running") != "Yes")
            return true;
        if (Columna(r, "Slave_SQL_Running") != "Yes" || Reloj::now() > limite)
            return false;
        std::this_thread::sleep_for(pausa);
        pausa = std::min(pausa * 2, std::chrono::milliseconds(50));
    }
}

bool ReanudaAplicacion(const Servidor& s, Conexion& c, const pasos::VersionServidor& v) {
    for (int intento = 0; intento < 2; ++intento) {
        try {
            if (!c.Abierta() && !Conecta(s, c))
                continue;
            try {
                c.Execute(pasos::SentenciaDetieneAplicacion(v));
            } catch (const rtqx5::ErrorRT&) {
            }
            c.Execute(pasos::SentenciaIniciaAplicacion(v));
            return true;
        } catch (const rtqx5::ErrorRT&) {
            c.Cierra();
        }
    }
    return false;
}

Verificacion VerificaDatos(const Servidor& sm, const Servidor& se, int espera,
                           const ControlVerificacion& control) {
    Verificacion r;
    Conexion m, e;
    if (!Conecta(sm, m)) {
        r.error = "El servidor MAESTRO no responde";
        return r;
    }
    if (!Conecta(se, e)) {
        r.error = "El servidor ESCLAVO no responde";
        return r;
    }
    pasos::VersionServidor vm, ve;
    std::vector<std::uint64_t> filas;
    try {
        vm = pasos::LeeVersion(m.Execute("SELECT VERSION()").at(0));
        ve = pasos::LeeVersion(e.Execute("SELECT VERSION()").at(0));
        const Resultado estado = e.Consulta(pasos::ConsultaEstadoEsclavo(ve));
        if (estado.filas.empty()) {
            r.error = "La instancia no es esclavo de ningún maestro";
            return r;
        }
        const std::string lectura = Columna(estado, "Slave_IO_Running");
        const std::string aplicacion = Columna(estado, "Slave_SQL_Running");
        if (lectura != "Yes" || aplicacion != "Yes") {
            r.error = "La replicación no está corriendo (lectura " + lectura + ", aplicación " +
                      aplicacion + "): no se puede verificar";
            return r;
        }
        const Resultado maestro = m.Consulta(pasos::ConsultaEstadoMaestro(vm));
        if (maestro.Valor("File").empty()) {
            r.error = "El servidor MAESTRO no tiene el registro binario activo: no se puede "
                      "verificar";
            return r;
        }
        std::vector<std::string> bases = Separa(Columna(estado, "Replicate_Do_DB"));
        if (bases.empty())
            bases = Separa(maestro.Valor("Binlog_Do_DB"));
        if (bases.empty()) {
            r.error = "No se sabe qué base de datos se replica (replicate-do-db vacío)";
            return r;
        }
        for (const auto& base : bases) {
            for (const auto& f :
                 m.Consulta(pasos::ConsultaTablasBase(base, m.DiagonalLiteral())).filas) {
                TablaVerificada& t = r.tablas.emplace_back();
                t.base = base;
                t.nombre = f.at(0);
                filas.push_back(Numero(f.at(1)));
            }
        }
        PreparaSesion(m, vm);
        PreparaSesion(e, ve);
    } catch (const std::exception& x) {
        r.error = x.what();
        return r;
    }

    // Desde aquí el hilo de aplicación del esclavo se detiene: se reanuda al
    // final, también tras un error.
    try {
        e.Execute(pasos::SentenciaDetieneAplicacion(ve));
        Verificador(m, e, vm, ve, espera, control, r).Revisa(filas);
        r.completa = true;
    } catch (const Interrumpida&) {
        r.error = "Se interrumpió la verificación";
    } catch (const std::exception& x) {
        r.error = x.what();
    }
    r.reanudado = ReanudaAplicacion(se, e, ve);
    return r;
}

std::string ResumenVerificacion(const Verificacion& v) {
    std::size_t iguales = 0;
    std::string distintas;
    std::size_t cuantasDistintas = 0;
    for (const auto& t : v.tablas) {
        if (t.igual) {
            ++iguales;
            continue;
        }
        distintas += (cuantasDistintas++ ? ", " : "") + t.nombre;
    }
    std::string r = std::to_string(iguales) + (iguales == 1 ? " tabla igual" : " tablas iguales");
    if (cuantasDistintas == 0)
        return r;
    return r + ", " + std::to_string(cuantasDistintas) +
           (cuantasDistintas == 1 ? " distinta: " : " distintas: ") + distintas;
}

std::string DescribeRango(const TablaVerificada& t, const RangoDistinto& r) {
    if (r.desde.empty() && r.hasta.empty())
        return t.nombre + ": filas distintas";
    if (r.desde == r.hasta || r.hasta.empty() || r.desde.empty()) {
        const std::string& llave = r.desde.empty() ? r.hasta : r.desde;
        return t.nombre + ": fila con " + t.llave + " " + llave + " distinta";
    }
    return t.nombre + ": filas con " + t.llave + " de " + r.desde + " a " + r.hasta + " distintas";
}

std::string LineaAvance(const AvanceVerificacion& a) {
    std::string r = "Verificando";
    if (!a.tabla.empty())
        r += " " + a.tabla + " (tabla " + std::to_string(std::min(a.tablasHechas + 1, a.tablas)) +
             " de " + std::to_string(a.tablas) + ")";
    r += ": " + Miles(a.filasHechas) + " de unas " + Miles(a.filas) + " filas";
    r += pasos::TiempoQueFalta(a.segundos, a.filasHechas, a.filas);
    return r;
}

} // namespace estado
