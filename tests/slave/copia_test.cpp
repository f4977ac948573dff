// La copia de los datos del maestro desde la ventana del esclavo, contra los
// dos servidores reales del entorno de prueba: el servicio "MySQL" como
// maestro (con la ventana del maestro) y QXmirror (con la de nueva instancia)
// sin ninguna copia previa de datos1.
#include "PuntoDeVenta.h"
#include "ReplicaPrueba.h"
#include "frmEsclavo.h"
#include "frmInstancia.h"
#include "frmMaestro.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <array>
#include <filesystem>
#include <regex>
#include <sstream>

namespace fs = std::filesystem;

namespace {

using pruebas::Comillas;
using pruebas::LeeArchivo;

std::vector<std::string> Lineas(const std::string& texto) {
    std::vector<std::string> r;
    std::istringstream s(texto);
    for (std::string l; std::getline(s, l);)
        r.push_back(l);
    return r;
}

const std::string kClave = "clavereplic";
const char* const kAcompanantes[][2] = {{"catalogossat", "claves_producto"},
                                        {"concentradorqxp", "sucursales"},
                                        {"generalorvalo", "parametros"},
                                        {"orvaloreportes", "reportes"}};

class CopiaDatosTest : public EntornoReplica {
protected:
    // QXmirror con la ventana de nueva instancia y el maestro con la suya; nada
    // de datos1 en QXmirror.
    void PreparaMaestroYQXmirror() {
        ASSERT_NO_FATAL_FAILURE(CreaQXmirror());
        ASSERT_NO_FATAL_FAILURE(CorreMaestro(kClave));
        cajas.cajas.clear();
        fs::remove(sandbox.Programa() / "BitacoraReplicacionTesal.txt");
    }

    // La ventana con el maestro y QXmirror; la casilla se decide al dejar el
    // campo de la instancia.
    std::unique_ptr<frmEsclavo> AbreConDatos() {
        auto w = std::make_unique<frmEsclavo>();
        Muestra(*w);
        w->txtElINI->setText(QString::fromStdString(Ini("QXmirror.ini")));
        bool Cancel = true;
        w->txtElINI_Validate(Cancel);
        EXPECT_FALSE(Cancel);
        w->txtDato[1]->setText("127.0.0.1");
        w->txtDato[2]->setText(QString::fromStdString(kClave));
        w->txtDato[7]->setText(QString::fromStdString(sandbox.Puerto()));
        w->txtDato[6]->setText("QXmirror");
        emit w->txtDato[6]->editingFinished();
        return w;
    }

    // bin/mysqldump (o el programa dado) sustituido por `guion`, que llama al
    // real como $REAL.
    void SustituyeVolcador(const std::string& guion, const char* cliente = "mysqldump") {
        const fs::path programa = sandbox.MySQL() / "bin" / cliente;
        if (!fs::exists(programa.string() + ".real"))
            fs::rename(programa, programa.string() + ".real");
        pruebas::EscribeArchivo(
            programa, "#!/bin/bash\nREAL=" + Comillas(programa.string() + ".real") + "\n" + guion);
        fs::permissions(programa, fs::perms::owner_all);
    }

    // Una tabla de 20,000 filas (más de lo que cabe en una tubería) del motor
    // dado y la de ventas (InnoDB) en datos1 del maestro.
    void CreaTablas(const std::string& motor) {
        EnMaestro({"CREATE TABLE movimientos (id INT PRIMARY KEY, concepto VARCHAR(60) NOT NULL, "
                   "importe DECIMAL(10,2)) ENGINE=" +
                       motor,
                   "INSERT INTO movimientos SELECT seq, CONCAT('Movimiento de caja número ', "
                   "seq), seq / 100 FROM seq_1_to_20000",
                   "CREATE TABLE ventas (folio INT AUTO_INCREMENT PRIMARY KEY, total "
                   "DECIMAL(10,2) NOT NULL) ENGINE=InnoDB"});
    }

    // bin/mysqldump lento: su salida pasa por una tubería que nadie lee
    // durante 1.5 s, así que el volcado dura al menos eso con su bloqueo o su
    // transacción abiertos. Anota /proc/*/cmdline mientras corre y la hora de
    // inicio y de fin.
    void VolcadorLento() {
        SustituyeVolcador("archivo=; args=()\n"
                          "for a in \"$@\"; do case \"$a\" in --result-file=*) "
                          "archivo=${a#--result-file=} ;; *) args+=(\"$a\") ;; esac; done\n"
                          "date +%s.%N >>" +
                          Comillas(Registro("tiempos")) +
                          "\n"
                          "( \"$REAL\" \"${args[@]}\" | { sleep 1.5; cat; } >\"$archivo\"; "
                          "exit ${PIPESTATUS[0]} ) & hijo=$!\n"
                          "while kill -0 $hijo 2>/dev/null; do\n"
                          "  for f in /proc/[0-9]*/cmdline; do tr '\\0' ' ' <\"$f\"; echo; done "
                          ">>" +
                          Comillas(Registro("procesos")) +
                          " 2>/dev/null\n"
                          "  sleep 0.02\ndone\nwait $hijo; r=$?\ndate +%s.%N >>" +
                          Comillas(Registro("tiempos")) + "\nexit $r\n");
    }
    // La línea de órdenes del volcado del maestro de este entorno (su puerto)
    // en el registro de procesos ("" si no está).
    std::string NuestroVolcado(const std::string& procesos) const {
        std::istringstream lineas(procesos);
        for (std::string linea; std::getline(lineas, linea);)
            if (linea.find("--port=" + sandbox.Puerto() + " ") != std::string::npos &&
                linea.find("--master-data=2") != std::string::npos)
                return linea;
        return {};
    }
    std::string Registro(const std::string& nombre) const {
        return (sandbox.Carpeta() / (nombre + ".txt")).string();
    }
    // Segundos que duró el volcado (del registro de VolcadorLento).
    double DuracionVolcado() const {
        std::istringstream tiempos(LeeArchivo(Registro("tiempos")));
        double inicio = 0, fin = 0;
        tiempos >> inicio >> fin;
        return fin - inicio;
    }

    // "Proceder" con el punto de venta escribiendo en ventas cada 20 ms; lo que
    // dijo lblCopia mientras, sin repetir.
    std::vector<std::string> ProcedeVendiendo(frmEsclavo& w, PuntoDeVenta& venta) {
        std::vector<std::string> avances;
        QTimer vigia;
        QObject::connect(&vigia, &QTimer::timeout, [&] {
            const std::string texto = w.lblCopia->text().toStdString();
            if (w.lblCopia->isVisible() && (avances.empty() || avances.back() != texto))
                avances.push_back(texto);
        });
        vigia.start(20);
        venta.Empieza();
        QTest::qWait(200);
        cajas.respuestas = {rtqx5::vbYes};
        w.cmdProceder_Click();
        QTest::qWait(300);
        venta.Detiene();
        EXPECT_EQ(venta.Error(), "");
        return avances;
    }

    // N de "El MAESTRO estuvo en solo lectura N s; M MB copiados" (-1 si no
    // está).
    static double SoloLectura(const std::string& caja) {
        std::smatch m;
        if (!std::regex_search(
                caja, m,
                std::regex("(^|\n)El MAESTRO estuvo en solo lectura ([0-9]+\\.[0-9]) "
                           "s; [0-9.]+ MB copiados\n")))
            return -1;
        return std::stod(m[2]);
    }

    std::vector<std::string> Volcados() const {
        std::vector<std::string> r;
        for (const auto& e : fs::directory_iterator(DatosQXmirror()))
            if (e.path().filename().string().starts_with("copia-"))
                r.push_back(e.path().string());
        return r;
    }

    std::string Caja(const frmEsclavo& w) const {
        return w.txtCapturaDOS->toPlainText().toStdString();
    }
};

// Con la casilla (marcada sola: QXmirror no tiene datos1) la réplica se hace
// sin copiar nada a mano, mientras el punto de venta escribe en el maestro
// cada 20 ms. Todas las tablas son InnoDB: el volcado va en una transacción y
// ninguna venta espera, aunque el volcado dure 1.5 s; la ventana lo dice y
// mide 0 s en solo lectura, y su avance lo muestra. Al alcanzar el esclavo la
// posición del maestro, cada tabla de datos1 tiene las mismas filas y la
// misma suma en ambos, y las otras bases del producto llegaron (datos2 no).
// La contraseña del producto nunca está en la lista de procesos mientras corre
// el volcado, y el volcado se borra.
TEST_F(CopiaDatosTest, CopiaConsistenteMientrasElMaestroRecibeVentas) {
    PreparaMaestroYQXmirror();
    CreaTablas("InnoDB");
    VolcadorLento();
    // La carga lee un tercio del volcado y se detiene 1 s: su avance se ve.
    SustituyeVolcador("{ head -c 300000; sleep 1; cat; } | \"$REAL\" \"$@\"\n", "mysql");

    auto w = std::make_unique<frmEsclavo>();
    Muestra(*w);
    EXPECT_FALSE(w->chkCopia->isChecked()) << "la instancia MySQL no tiene archivo propio";
    w.reset();
    w = AbreConDatos();
    ASSERT_TRUE(w->chkCopia->isChecked()) << "QXmirror no tiene datos1";
    EXPECT_EQ(w->chkCopia->text(), "Copiar los datos del maestro antes de iniciar la replicación");
    EXPECT_FALSE(w->barCopia->isVisible());

    rtqx5::Conexion conexionVenta;
    ASSERT_TRUE(Conecta(conexionVenta));
    PuntoDeVenta venta(conexionVenta, "INSERT INTO ventas (total) VALUES (1.00)");
    // Mientras corre el volcado, el aviso sigue arriba de su salida.
    bool avisoConVolcado = false;
    QTimer vigia;
    QObject::connect(&vigia, &QTimer::timeout, [&] {
        const QString texto = w->txtCapturaDOS->toPlainText();
        if (texto.contains(QStringLiteral("-- Retrieving table structure")) &&
            texto.startsWith(QStringLiteral("Todas las tablas son InnoDB: el MAESTRO seguirá "
                                            "aceptando escrituras")))
            avisoConVolcado = true;
    });
    vigia.start(20);
    const auto avances = ProcedeVendiendo(*w, venta);
    vigia.stop();
    const int vendidas = venta.Ventas();
    EXPECT_GE(vendidas, 40);
    EXPECT_TRUE(avisoConVolcado) << "el aviso no se vio mientras se volcaba";
    EXPECT_GE(DuracionVolcado(), 1.4);
    EXPECT_LT(venta.EsperaMaxima(), 200) << "una venta esperó al volcado";

    ASSERT_EQ(cajas.cajas.size(), 2u) << cajas.cajas.back().texto;
    EXPECT_TRUE(cajas.cajas[1].texto.starts_with("Proceso terminado")) << cajas.cajas[1].texto;
    const std::string caja = Caja(*w);
    const double soloLectura = SoloLectura(caja);
    EXPECT_GE(soloLectura, 0) << caja;
    EXPECT_LT(soloLectura, 0.2) << caja;
    EXPECT_EQ(caja.find("El MAESTRO estuvo"), caja.rfind("El MAESTRO estuvo")) << caja;
    EXPECT_NE(caja.find("Replicación: lectura Yes, aplicación Yes"), std::string::npos) << caja;
    EXPECT_TRUE(Volcados().empty()) << Volcados().front();
    EXPECT_FALSE(w->chkCopia->isChecked()) << "copiados: otra corrida no copia";
    // El avance: MB volcados de los de information_schema con el maestro
    // aceptando escrituras, luego la carga; la barra llena al final.
    const auto hay = [&](const char* patron) {
        return std::any_of(avances.begin(), avances.end(), [&](const std::string& a) {
            return std::regex_search(a, std::regex(patron));
        });
    };
    EXPECT_TRUE(hay("^Volcado: [0-9.]+ de unos [0-9.]+ MB(; faltan unos [0-9]+ s)?; el MAESTRO "
                    "acepta escrituras$"))
        << ::testing::PrintToString(avances);
    EXPECT_FALSE(hay("está en solo lectura")) << ::testing::PrintToString(avances);
    ASSERT_FALSE(avances.empty());
    EXPECT_TRUE(std::regex_match(avances.back(), std::regex("Carga: ([0-9.]+) de \\1 MB")))
        << avances.back();
    EXPECT_TRUE(std::any_of(
        avances.begin(), avances.end(),
        [](const std::string& a) {
            std::smatch m;
            return std::regex_match(a, m, std::regex("Carga: ([0-9.]+) de ([0-9.]+) MB")) &&
                   std::stod(m[1]) > 0.1 && std::stod(m[1]) < std::stod(m[2]) - 0.1;
        }))
        << "lo cargado a medias: " << ::testing::PrintToString(avances);
    EXPECT_EQ(w->barCopia->value(), 100);
    // En la bitácora: el aviso antes del volcado, el volcado, la carga y el
    // maestro con la posición del volcado, en ese orden.
    const auto bitacora = Bitacora();
    const auto esta = [&](const std::string& inicio, std::size_t desde) {
        for (std::size_t i = desde; i < bitacora.size(); ++i)
            if (bitacora[i].starts_with(inicio))
                return i;
        return bitacora.size();
    };
    const std::size_t aviso = esta("Todas las tablas son InnoDB: el MAESTRO seguirá aceptando "
                                   "escrituras mientras se copian los datos",
                                   0);
    const std::size_t volcado =
        esta("\"" + RutaMySQL() + "/bin/mysqldump\"" + " --defaults-extra-file=", aviso);
    const std::size_t carga =
        esta("\"" + RutaMySQL() + "/bin/mysql\"" + " --defaults-extra-file=", volcado);
    const std::size_t cambio =
        esta("CHANGE MASTER TO MASTER_HOST='127.0.0.1', MASTER_PORT=" + sandbox.Puerto() +
                 ", MASTER_USER='usuariomirror', MASTER_PASSWORD='********', "
                 "MASTER_LOG_FILE='qxlog-bin.",
             carga);
    EXPECT_LT(cambio, bitacora.size()) << "aviso, volcado, carga y CHANGE MASTER en orden";

    // Lo visto en la lista de procesos mientras corría el volcado (el de este
    // entorno: otras pruebas pueden volcar a la vez).
    const std::string procesos = LeeArchivo(Registro("procesos"));
    const std::string volcador = NuestroVolcado(procesos);
    EXPECT_NE(volcador.find("--single-transaction"), std::string::npos) << volcador;
    EXPECT_EQ(volcador.find("--lock-all-tables"), std::string::npos) << volcador;
    EXPECT_EQ(procesos.find(sandbox.ClaveRoot()), std::string::npos) << "la contraseña se vio";

    // El esclavo alcanza al maestro y los dos tienen lo mismo.
    const auto maestro = Consulta("SHOW MASTER STATUS");
    const auto espera = Consulta("SELECT MASTER_POS_WAIT('" + maestro.Valor("File") + "', " +
                                     maestro.Valor("Position") + ", 60) AS r",
                                 puertoEsclavo);
    ASSERT_EQ(espera.filas.size(), 1u);
    EXPECT_NE(espera.Valor("r"), "-1");
    EXPECT_NE(espera.Valor("r"), "");
    const auto tablas = Consulta("SELECT table_name FROM information_schema.tables WHERE "
                                 "table_schema = 'datos1'");
    ASSERT_FALSE(tablas.filas.empty());
    for (const auto& fila : tablas.filas) {
        const std::string t = "datos1." + fila.at(0);
        for (const std::string& sql : {"SELECT COUNT(*) FROM " + t, "CHECKSUM TABLE " + t})
            EXPECT_EQ(Consulta(sql, puertoEsclavo).filas, Consulta(sql).filas) << sql;
    }
    EXPECT_EQ(Consulta("SELECT COUNT(*) FROM datos1.ventas", puertoEsclavo).filas.at(0).at(0),
              std::to_string(vendidas));
    for (const auto& [base, tabla] : kAcompanantes) {
        const std::string sql = std::string("CHECKSUM TABLE ") + base + "." + tabla;
        EXPECT_EQ(Consulta(sql, puertoEsclavo).filas, Consulta(sql).filas) << sql;
    }
    EXPECT_TRUE(Consulta("SHOW DATABASES LIKE 'datos2'", puertoEsclavo).filas.empty());
    const auto estado = Consulta("SHOW SLAVE STATUS", puertoEsclavo);
    EXPECT_EQ(estado.Valor("Slave_IO_Running"), "Yes");
    EXPECT_EQ(estado.Valor("Slave_SQL_Running"), "Yes") << estado.Valor("Last_SQL_Error");
}

// Con una tabla MyISAM el volcado bloquea el maestro entero: la ventana dice
// cuál y por qué, su avance dice que el maestro está en solo lectura, y el
// tiempo en solo lectura que muestra es el que midió en el maestro: el del
// volcado, el que esperó una venta.
TEST_F(CopiaDatosTest, ConUnaTablaMyISAMElMaestroQuedaEnSoloLecturaYSeMide) {
    PreparaMaestroYQXmirror();
    CreaTablas("MyISAM");
    VolcadorLento();
    auto w = AbreConDatos();
    ASSERT_TRUE(w->chkCopia->isChecked());
    rtqx5::Conexion conexionVenta;
    ASSERT_TRUE(Conecta(conexionVenta));
    PuntoDeVenta venta(conexionVenta, "INSERT INTO ventas (total) VALUES (1.00)");
    const auto avances = ProcedeVendiendo(*w, venta);

    ASSERT_EQ(cajas.cajas.size(), 2u) << cajas.cajas.back().texto;
    EXPECT_TRUE(cajas.cajas[1].texto.starts_with("Proceso terminado")) << cajas.cajas[1].texto;
    const auto bitacora = Bitacora();
    EXPECT_NE(std::find(bitacora.begin(), bitacora.end(),
                        "La tabla movimientos es MyISAM: el MAESTRO quedará en solo lectura "
                        "mientras se copian los datos"),
              bitacora.end())
        << ::testing::PrintToString(bitacora);
    EXPECT_NE(NuestroVolcado(LeeArchivo(Registro("procesos"))).find("--lock-all-tables"),
              std::string::npos);
    const double duracion = DuracionVolcado(), soloLectura = SoloLectura(Caja(*w));
    EXPECT_GE(duracion, 1.4);
    EXPECT_GE(soloLectura, 1.3) << Caja(*w);
    EXPECT_LE(soloLectura, duracion + 0.2) << Caja(*w);
    EXPECT_GE(venta.EsperaMaxima(), 1300) << "ninguna venta esperó al volcado";
    EXPECT_TRUE(std::any_of(avances.begin(), avances.end(), [](const std::string& a) {
        return a.starts_with("Volcado: ") && a.ends_with("; el MAESTRO está en solo lectura");
    })) << ::testing::PrintToString(avances);
    EXPECT_EQ(Consulta("SHOW SLAVE STATUS", puertoEsclavo).Valor("Slave_SQL_Running"), "Yes");
}

// Una cuenta del producto que el maestro no acepta se dice antes de cambiar
// nada. Un volcado que falla a media corrida detiene la copia: el esclavo no
// arranca, el maestro queda sin bloqueo y el volcado se conserva y se nombra.
TEST_F(CopiaDatosTest, UnaCopiaQueFallaNoArrancaElEsclavo) {
    PreparaMaestroYQXmirror();
    const std::string antes = LeeArchivo(Ini("QXmirror.ini"));
    Consulta("CREATE USER 'cajero'@'127.0.0.1' IDENTIFIED BY 'caja'", puertoEsclavo);
    Consulta("GRANT ALL ON *.* TO 'cajero'@'127.0.0.1'", puertoEsclavo);
    const std::string usuario = Proceso::BasesDD->cUsuario, clave = Proceso::BasesDD->cPassword;
    Proceso::BasesDD->cUsuario = "cajero";
    Proceso::BasesDD->cPassword = "caja";

    auto w = AbreConDatos();
    ASSERT_TRUE(w->chkCopia->isChecked());
    cajas.respuestas = {rtqx5::vbYes};
    w->cmdProceder_Click();
    ASSERT_EQ(cajas.cajas.size(), 2u) << cajas.cajas.back().texto;
    EXPECT_EQ(cajas.cajas[1].estilo, rtqx5::vbCritical);
    EXPECT_TRUE(cajas.cajas[1].texto.starts_with(
        "No se pueden copiar los datos: la cuenta del producto «cajero» no entra al servidor "
        "MAESTRO 127.0.0.1:" +
        sandbox.Puerto()))
        << cajas.cajas[1].texto;
    EXPECT_EQ(LeeArchivo(Ini("QXmirror.ini")), antes);
    EXPECT_TRUE(Bitacora().empty());
    EXPECT_TRUE(w->cmdProceder->isEnabled());
    EXPECT_TRUE(Consulta("SHOW SLAVE STATUS", puertoEsclavo).filas.empty());

    // El volcado termina con error tras escribir el archivo.
    Proceso::BasesDD->cUsuario = usuario;
    Proceso::BasesDD->cPassword = clave;
    SustituyeVolcador("\"$REAL\" \"$@\"\necho 'mysqldump: Got error: 2013: Lost connection' "
                      ">&2\nexit 2\n");
    cajas.cajas.clear();
    cajas.respuestas = {rtqx5::vbYes};
    w->cmdProceder_Click();
    ASSERT_EQ(cajas.cajas.size(), 2u);
    const std::string& aviso = cajas.cajas[1].texto;
    EXPECT_TRUE(aviso.starts_with("El proceso terminó con errores")) << aviso;
    ASSERT_EQ(Volcados().size(), 1u);
    EXPECT_NE(aviso.find("La copia de los datos se detuvo (el volcado del MAESTRO falló); la "
                         "replicación no se inició. El volcado se conserva: «" +
                         Volcados().front() + "»"),
              std::string::npos)
        << aviso;
    EXPECT_NE(Caja(*w).find("Retrieving table structure for table articulos"), std::string::npos)
        << Caja(*w);
    EXPECT_TRUE(Consulta("SHOW SLAVE STATUS", puertoEsclavo).filas.empty())
        << "ningún maestro indicado";
    for (const auto& linea : Bitacora())
        EXPECT_NE(linea, "start slave");
    // El maestro acepta escrituras: el bloqueo terminó con el volcado.
    rtqx5::Conexion venta;
    ASSERT_TRUE(Conecta(venta));
    venta.Execute("SET SESSION lock_wait_timeout = 5");
    venta.Execute("USE datos1");
    EXPECT_NO_THROW(venta.Execute("INSERT INTO articulos VALUES (90, 'Sal', 1.00)"));
}

// Una instancia cuya carpeta de datos lleva ";", "'", un acento grave, blancos
// y acentos, como la admite la ventana de nueva instancia. Lo que va antes
// del primer ";" es un archivo que se puede leer: un volcado dado a "source"
// habría corrido "DROP DATABASE victima" en la instancia. La carga le da el
// volcado al cliente como entrada estándar: los datos llegan, la réplica
// corre, victima sigue y en el registro general de la instancia la conexión
// de la carga no manda nada que el volcado no tenga (salvo el SELECT
// DATABASE() que el cliente manda con cada USE) y nadie nombra a victima.
TEST_F(CopiaDatosTest, CarpetaDeDatosHostilNoInyectaNadaEnLaCarga) {
    const fs::path antes = sandbox.Carpeta() / "datos ñandú 'uno' `dos`.sql";
    datosQXmirror = antes.string() + ";DROP DATABASE victima;x";
    pruebas::EscribeArchivo(antes, "");
    PreparaMaestroYQXmirror();
    Consulta("CREATE DATABASE victima", puertoEsclavo);
    // El registro general desde el reinicio que hace la ventana.
    const fs::path registro = sandbox.Carpeta() / "general-qxmirror.log";
    rtqx5::libRTSA lib;
    for (const auto& [clave, valor] : std::vector<std::pair<std::string, std::string>>{
             {"general_log", "1"}, {"general_log_file", registro.string()}, {"log_output", "FILE"}})
        lib.EscribeIni("mysqld", clave, valor, Ini("QXmirror.ini"));
    // Una copia del volcado, que la ventana borra al terminar.
    const fs::path visto = sandbox.Carpeta() / "volcado-visto.sql";
    SustituyeVolcador("\"$REAL\" \"$@\"; r=$?\nfor a in \"$@\"; do case $a in --result-file=*) "
                      "cp \"${a#--result-file=}\" " +
                      Comillas(visto.string()) + ";; esac; done\nexit $r\n");

    auto w = AbreConDatos();
    ASSERT_TRUE(w->chkCopia->isChecked());
    cajas.respuestas = {rtqx5::vbYes};
    w->cmdProceder_Click();
    ASSERT_EQ(cajas.cajas.size(), 2u) << cajas.cajas.back().texto;
    EXPECT_TRUE(cajas.cajas[1].texto.starts_with("Proceso terminado")) << cajas.cajas[1].texto;
    EXPECT_NE(Caja(*w).find("Replicación: lectura Yes, aplicación Yes"), std::string::npos)
        << Caja(*w);
    EXPECT_TRUE(Volcados().empty());

    // Los datos llegaron y la réplica sigue: una venta nueva llega también.
    rtqx5::Conexion venta;
    ASSERT_TRUE(Conecta(venta));
    venta.Execute("USE datos1");
    venta.Execute("INSERT INTO articulos VALUES (77, 'Tras la copia', 1.00)");
    const auto maestro = Consulta("SHOW MASTER STATUS");
    EXPECT_NE(Consulta("SELECT MASTER_POS_WAIT('" + maestro.Valor("File") + "', " +
                           maestro.Valor("Position") + ", 30) AS r",
                       puertoEsclavo)
                  .Valor("r"),
              "-1");
    for (const std::string sql :
         {"CHECKSUM TABLE datos1.articulos", "CHECKSUM TABLE "
                                             "catalogossat.claves_producto"})
        EXPECT_EQ(Consulta(sql, puertoEsclavo).filas, Consulta(sql).filas) << sql;

    // El registro general: sus registros por conexión. El cliente lee "\\-"
    // de la primera línea (el modo protegido de MariaDB) como orden suya.
    std::string volcado = LeeArchivo(visto);
    for (auto i = volcado.find("\\-"); i != std::string::npos; i = volcado.find("\\-", i))
        volcado.erase(i, 2);
    ASSERT_NE(volcado.find("CREATE TABLE `articulos`"), std::string::npos);
    const std::regex cabeza("^(?:[0-9]{6} +[0-9]{1,2}:[0-9]{2}:[0-9]{2})?\t+ *([0-9]+) "
                            "([A-Za-z][A-Za-z ]*)\t(.*)$");
    std::vector<std::array<std::string, 3>> registros; // conexión, orden, argumento
    for (const std::string& linea : Lineas(LeeArchivo(registro))) {
        std::smatch m;
        if (std::regex_match(linea, m, cabeza))
            registros.push_back({m[1], m[2], m[3]});
        else if (!registros.empty())
            registros.back()[2] += "\n" + linea;
    }
    std::string carga;
    for (const auto& [conexion, orden, argumento] : registros)
        if (orden == "Query" && argumento.starts_with("CREATE TABLE `articulos`"))
            carga = conexion;
    ASSERT_FALSE(carga.empty()) << "la carga no está en el registro general";
    int sentencias = 0;
    for (const auto& [conexion, orden, argumento] : registros) {
        EXPECT_EQ(argumento.find("victima"), std::string::npos) << argumento;
        if (conexion != carga || orden != "Query" || argumento == "SELECT DATABASE()")
            continue;
        ++sentencias;
        // Line by line: the client drops the dump's comments in between.
        for (const std::string& linea : Lineas(argumento)) {
            const std::string texto = linea.substr(0, linea.find_last_not_of(" \t\r") + 1);
            EXPECT_TRUE(texto.empty() || volcado.find(texto) != std::string::npos)
                << "la carga mandó lo que el volcado no tiene: " << texto;
        }
    }
    EXPECT_GT(sentencias, 20);
    EXPECT_EQ(Consulta("SHOW DATABASES LIKE 'victima'", puertoEsclavo).filas.size(), 1u);
}

} // namespace
