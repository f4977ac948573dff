// La ventana de la nueva instancia contra su propio entorno de prueba: un
// segundo servidor real que contesta en su puerto, el archivo de opciones
// nuevo, la base mysql copiada, los avisos, la respuesta No y las reglas de
// los campos.
#include "ClaveTemporal.h"
#include "EjecucionCMD.h"
#include "EntornoProcedimiento.h"
#include "TextosProcedimiento.h"
#include "frmInstancia.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <filesystem>
#include <map>
#include <netinet/in.h>
#include <regex>
#include <set>
#include <sys/socket.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

using pruebas::LeeArchivo;

std::string Caja(const frmInstancia& w) {
    return w.txtCapturaDOS->toPlainText().toStdString();
}

// Un socket TCP en el puerto dado de todas las direcciones; -1 si no se pudo.
int Escucha(int puerto, bool escucha) {
    const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in d{};
    d.sin_family = AF_INET;
    d.sin_addr.s_addr = htonl(INADDR_ANY);
    d.sin_port = htons(static_cast<std::uint16_t>(puerto));
    if (::bind(s, reinterpret_cast<sockaddr*>(&d), sizeof d) != 0 ||
        (escucha && ::listen(s, 1) != 0)) {
        ::close(s);
        return -1;
    }
    return s;
}

class frmInstanciaTest : public EntornoProcedimiento {
protected:
    std::unique_ptr<frmInstancia> Abre() {
        auto w = std::make_unique<frmInstancia>();
        Muestra(*w);
        return w;
    }

    std::string IniNuevo() const { return (sandbox.MySQL() / "QXmirror.ini").string(); }
    bool HayServicio(const std::string& nombre) const {
        return sandbox.Orden("net query " + nombre) == 0;
    }

    // my.ini con port en [client] y [mysqld] y datadir en [mysqld] cambiados.
    std::string MyIniCambiado(const std::string& puerto, const std::string& datadir) const {
        std::istringstream entrada(LeeArchivo(MyIni()));
        std::string linea, seccion, r;
        while (std::getline(entrada, linea)) {
            if (linea.starts_with("["))
                seccion = linea;
            if (linea.starts_with("port=") && (seccion == "[client]" || seccion == "[mysqld]"))
                linea = "port=" + puerto;
            else if (linea.starts_with("datadir=") && seccion == "[mysqld]")
                linea = "datadir=\"" + datadir + "\"";
            r += linea + "\n";
        }
        // El server-id del servidor instalado (ninguno) más uno.
        return r + "server-id=2\n";
    }

    // Todo lo que pasó por la caja, aunque el ejecutor la vacíe antes de cada
    // comando.
    void GrabaCaja(frmInstancia& w) {
        QObject::connect(w.txtCapturaDOS, &QPlainTextEdit::textChanged, [this, &w] {
            const QString t = w.txtCapturaDOS->toPlainText();
            if (!t.startsWith(vista_))
                historia_ += vista_ + QLatin1Char('\n');
            vista_ = t;
        });
    }
    std::string HistoriaCaja() const { return (historia_ + vista_).toStdString(); }

    // Nombre, tamaño y hora de cada archivo de la carpeta (y sus subcarpetas);
    // sin los .ibd, que el servidor en marcha reescribe por su cuenta.
    static std::map<std::string, std::pair<std::uintmax_t, fs::file_time_type>>
    Foto(const fs::path& carpeta) {
        std::map<std::string, std::pair<std::uintmax_t, fs::file_time_type>> r;
        for (const auto& e : fs::recursive_directory_iterator(carpeta))
            if (e.is_regular_file() && e.path().extension() != ".ibd")
                r[e.path().string()] = {e.file_size(), e.last_write_time()};
        return r;
    }
    static std::set<std::string> Nombres(const fs::path& carpeta) {
        std::set<std::string> r;
        for (const auto& e : fs::directory_iterator(carpeta))
            r.insert(e.path().filename().string());
        return r;
    }

    // Una cuenta del producto con todos los privilegios y una contraseña con
    // lo que un archivo de opciones decodifica (comillas, \, #, blancos).
    void CuentaDelProductoConClaveDificil(const std::string& usuario, const std::string& clave) {
        rtqx5::Conexion c;
        ASSERT_TRUE(Conecta(c));
        for (const char* host : {"127.0.0.1", "localhost"}) {
            const std::string cuenta = pasos::CuentaSQL(usuario, host);
            c.Execute("CREATE USER " + cuenta + " IDENTIFIED BY '" + pasos::EscapaSQL(clave) + "'");
            c.Execute("GRANT ALL PRIVILEGES ON *.* TO " + cuenta + " WITH GRANT OPTION");
        }
        // Que la copia de la carpeta mysql la lleve.
        c.Execute("FLUSH TABLES");
        Proceso::BasesDD->cUsuario = usuario;
        Proceso::BasesDD->cPassword = clave;
    }

    // bin/mysql_upgrade anota sus argumentos, el modo y lo que el lector de
    // opciones saca del archivo que recibe primero, y las líneas de órdenes
    // de todos los procesos del equipo; luego corre el verdadero.
    fs::path EspiaMysqlUpgrade() {
        const fs::path bin = sandbox.MySQL() / "bin";
        const fs::path anotado = sandbox.Carpeta() / "espia";
        fs::create_directories(anotado);
        fs::rename(bin / "mysql_upgrade", bin / "mysql_upgrade.real");
        pruebas::EscribeArchivo(
            (bin / "mysql_upgrade").string(),
            "#!/usr/bin/env bash\n"
            "d=" +
                pruebas::Comillas(anotado.string()) +
                "\n"
                "printf '%s\\n' \"$@\" >\"$d/argv\"\n"
                "f=${1#--defaults-extra-file=}\n"
                "stat -c %a \"$f\" >\"$d/modo\"\n"
                "my_print_defaults --defaults-file=\"$f\" client >\"$d/leido\"\n"
                "for p in /proc/[0-9]*/cmdline; do tr '\\0' ' ' <\"$p\"; echo; done "
                ">\"$d/procesos\" 2>/dev/null\n"
                "exec \"$(dirname \"$0\")/mysql_upgrade.real\" \"$@\"\n");
        fs::permissions(bin / "mysql_upgrade", fs::perms::owner_all);
        return anotado;
    }

private:
    QString vista_, historia_;
};

// El trabajo completo con una carpeta de datos con blancos, escrita con
// separador final: el segundo servidor arranca en su puerto con la base mysql
// copiada y las tablas InnoDB del sistema (que no se copian) las recrea
// mysql_upgrade, que entra con la cuenta del producto: su contraseña llega
// entera en un archivo temporal que solo lee este usuario, no en la línea de
// órdenes de ningún proceso, y desaparece al terminar. Cerrar la ventana
// mientras corre net start espera al final del procedimiento. Después, la
// misma instancia otra vez, my.ini como archivo nuevo, la carpeta de datos o
// el puerto del servidor instalado: se rechazan sin tocar nada.
TEST_F(frmInstanciaTest, CreaUnSegundoServidorQueContestaEnSuPuertoYNoLoPisaOtraVez) {
    const std::string puerto = pruebas::PuertoLibre(4000, 9999);
    const std::string datos = (sandbox.Carpeta() / "Datos MIRROR").string();
    const std::string mysqlOriginal = (sandbox.MySQL() / "data" / "mysql").string();
    const std::string antes = LeeArchivo(MyIni());
    // (Comillas simples y "\\" no: mariadb-upgrade pasa la contraseña a sus
    // propios clientes con comillas de la consola, que el lector de opciones no
    // entiende; ClaveTemporal las lleva enteras, ver la prueba siguiente.)
    const std::string clave = "Te#sal \"2024\" ";
    CuentaDelProductoConClaveDificil("rt_producto", clave);
    const fs::path espia = EspiaMysqlUpgrade();
    auto w = Abre();
    w->txtDatoMultiLinea->setPlainText(QString::fromStdString(datos + "/"));
    w->txtDato[5]->setText(QString::fromStdString(puerto));

    bool cierrePedido = false, visibleTrasPedido = false;
    QTimer vigia;
    QObject::connect(&vigia, &QTimer::timeout, [&] {
        if (!cierrePedido && ejecucion::EstadoCMD == ejecucion::kCmdCorriendo &&
            w->txtCapturaDOS->toPlainText().contains(QStringLiteral("se está iniciando"))) {
            cierrePedido = true;
            w->close();
            visibleTrasPedido = w->isVisible();
        }
    });
    vigia.start(5);
    cajas.respuestas = {rtqx5::vbYes};
    w->cmdProceder_Click();
    vigia.stop();

    // Nada existía: ningún aviso; la pregunta y el final sin errores.
    ASSERT_EQ(cajas.cajas.size(), 2u) << cajas.cajas.back().texto;
    EXPECT_EQ(cajas.cajas[0].texto, "Confirme si desea crear la nueva instancia de MySQL:");
    EXPECT_EQ(cajas.cajas[0].titulo, "Crear instancia");
    EXPECT_EQ(cajas.cajas[0].estilo, rtqx5::vbYesNo | rtqx5::vbQuestion | rtqx5::vbDefaultButton2);
    EXPECT_EQ(cajas.cajas[1].texto, "Proceso terminado") << Caja(*w);
    EXPECT_EQ(cajas.cajas[1].titulo, "Nueva instancia");
    EXPECT_EQ(cajas.cajas[1].estilo, rtqx5::vbInformation);
    EXPECT_FALSE(w->cmdProceder->isEnabled());
    EXPECT_TRUE(cierrePedido) << "net start no se vio en la caja";
    EXPECT_TRUE(visibleTrasPedido) << "el cierre no esperó al procedimiento";
    EXPECT_FALSE(w->isVisible()) << "el cierre pedido se hace al terminar";

    // El archivo nuevo: my.ini con tres claves cambiadas, lo demás byte a byte.
    EXPECT_EQ(LeeArchivo(IniNuevo()), MyIniCambiado(puerto, datos + "/"));
    EXPECT_EQ(LeeArchivo(MyIni()), antes);
    const std::string leidas = OpcionesServidor(IniNuevo());
    EXPECT_NE(leidas.find("--port=" + puerto + "\n"), std::string::npos) << leidas;
    EXPECT_NE(leidas.find("--datadir=" + datos + "/\n"), std::string::npos) << leidas;

    // La carpeta mysql nueva tiene cada archivo de la original salvo los de
    // las tablas con .ibd junto al .frm.
    std::set<std::string> nombres;
    for (const auto& e : fs::directory_iterator(mysqlOriginal))
        nombres.insert(e.path().filename().string());
    int copiados = 0, omitidos = 0;
    for (const std::string& n : nombres) {
        const std::string base = n.substr(0, n.rfind('.'));
        if (nombres.contains(base + ".frm") && nombres.contains(base + ".ibd")) {
            ++omitidos;
            continue;
        }
        ++copiados;
        EXPECT_TRUE(fs::is_regular_file(fs::path(datos) / "mysql" / n)) << n;
    }
    EXPECT_GT(copiados, 50);
    EXPECT_GE(omitidos, 2) << "gtid_slave_pos.frm y .ibd";

    // Un servidor real en el puerto nuevo, con esa carpeta de datos: la
    // cuenta del producto entra y las tablas InnoDB del sistema existen.
    EXPECT_TRUE(HayServicio("QXmirror"));
    const auto servidor = Consulta("SELECT @@port, @@datadir", puerto);
    ASSERT_EQ(servidor.filas.size(), 1u);
    EXPECT_EQ(servidor.filas[0][0], puerto);
    EXPECT_EQ(servidor.filas[0][1], datos + "/");
    rtqx5::Conexion conexion;
    ASSERT_TRUE(Conecta(conexion, "rt_producto", clave, puerto));
    EXPECT_EQ(conexion.Execute("SELECT COUNT(*) FROM mysql.gtid_slave_pos"),
              std::vector<std::string>{"0"});
    EXPECT_EQ(conexion.Execute("SELECT COUNT(*) FROM mysql.innodb_table_stats").size(), 1u);
    EXPECT_EQ(Consulta("SELECT @@port").filas.at(0).at(0), sandbox.Puerto())
        << "el servidor original sigue";

    // mysql_upgrade recibió primero el archivo temporal (0600, con la
    // contraseña que el lector de opciones decodifica entera); ni su línea
    // de órdenes ni la de ningún otro proceso llevó la contraseña; el
    // archivo ya no existe.
    const std::string argv = LeeArchivo(espia / "argv");
    ASSERT_TRUE(argv.starts_with("--defaults-extra-file=")) << argv;
    const std::string temporal = argv.substr(22, argv.find('\n') - 22);
    EXPECT_EQ(LeeArchivo(espia / "modo"), "600\n");
    EXPECT_EQ(LeeArchivo(espia / "leido"), "--password=" + clave + "\n");
    EXPECT_EQ(argv.find(clave), std::string::npos);
    const std::string procesos = LeeArchivo(espia / "procesos");
    EXPECT_NE(procesos.find("mysql_upgrade"), std::string::npos);
    EXPECT_EQ(procesos.find(clave), std::string::npos);
    EXPECT_FALSE(fs::exists(temporal)) << temporal;

    // La caja: la salida del último comando y "Fin del proceso"; la
    // contraseña no aparece ni en la caja ni en la bitácora.
    const std::string caja = Caja(*w);
    EXPECT_EQ(caja.find("Verificando"), std::string::npos) << "el ejecutor vacía la caja";
    EXPECT_NE(caja.find("Phase 1/"), std::string::npos) << caja;
    EXPECT_TRUE(caja.ends_with("\nOK\n\nFin del proceso")) << caja;
    EXPECT_EQ(caja.find(clave), std::string::npos);
    const std::string mysql = RutaMySQL();
    const std::vector<std::string> bitacora = {
        "\"" + mysql + "/bin/mysqld\" --install QXmirror --defaults-file=\"" + mysql +
            "/QXmirror.ini\"",
        "net start QXmirror",
        "\"" + mysql + "/bin/mysql_upgrade\" --defaults-extra-file=" + temporal +
            " --host=127.0.0.1 --port=" + puerto + " --protocol=tcp --user=rt_producto --force"};
    EXPECT_EQ(Bitacora(), bitacora);

    // Lo que tocaría al servidor instalado o a QXmirror se rechaza con un
    // cuadro crítico, sin pregunta y sin cambiar nada.
    const std::string mirrorIni = LeeArchivo(IniNuevo());
    const auto fotoMirror = Foto(fs::path(datos) / "mysql");
    const auto carpetaMySQL = Nombres(sandbox.MySQL());
    const std::string otro = (sandbox.Carpeta() / "otro").string();
    const std::string libre = pruebas::PuertoLibre(4000, 9999);
    const std::string datosInstalado = (sandbox.MySQL() / "data").string();
    // Los puertos del entorno no caben en el campo: el del producto y el de
    // my.ini (sin reiniciar el servidor) pasan a puertos de cuatro cifras.
    const std::string otroLibre = pruebas::PuertoLibre(std::stoi(libre) + 1, 9999);
    const std::string puertoProducto = Proceso::BasesDD->cPuerto;
    const struct {
        const char* nombre;
        std::string ini, carpeta, puerto;
        std::vector<std::string> motivos;
    } casos[] = {
        {"QXmirror",
         "QXmirror.ini",
         datos,
         puerto,
         {"El servicio «QXmirror» ya existe", "La ruta «" + datos +
                                                  "/» ya tiene una carpeta mysql: es la de "
                                                  "otro servidor"}},
        {"QXotra",
         "my.ini",
         otro,
         libre,
         {"El archivo «" + MyIni() + "» es el del servidor instalado"}},
        {"QXotra", "MY.INI", otro, libre, {"es el del servidor instalado"}},
        {"QXotra",
         "otra.ini",
         datosInstalado + "/",
         libre,
         {"La ruta «" + datosInstalado + "/» es la carpeta de datos del servidor instalado"}},
        {"QXotra",
         "otra.ini",
         otro,
         libre,
         {"El puerto " + libre + " es el de la base de datos del producto"}},
        {"QXotra",
         "otra.ini",
         otro,
         otroLibre,
         {"El puerto " + otroLibre + " es el del servidor instalado"}},
    };
    for (const auto& c : casos) {
        const bool producto = c.motivos[0].ends_with("producto");
        const bool instalado = c.puerto == otroLibre;
        Proceso::BasesDD->cPuerto = producto ? libre : puertoProducto;
        pruebas::EscribeArchivo(
            MyIni(), instalado ? std::regex_replace(antes, std::regex("port=" + sandbox.Puerto()),
                                                    "port=" + otroLibre)
                               : antes);
        w = Abre();
        w->txtDato[0]->setText(c.nombre);
        w->txtDato[2]->setText(QString::fromStdString(c.ini));
        w->txtDatoMultiLinea->setPlainText(QString::fromStdString(c.carpeta));
        w->txtDato[5]->setText(QString::fromStdString(c.puerto));
        cajas.cajas.clear();
        cajas.respuestas = {rtqx5::vbYes, rtqx5::vbYes};
        w->cmdProceder_Click();
        ASSERT_EQ(cajas.cajas.size(), 1u) << c.motivos[0] << ": " << cajas.cajas.back().texto;
        EXPECT_EQ(cajas.cajas[0].titulo, "Nueva instancia");
        EXPECT_EQ(cajas.cajas[0].estilo, rtqx5::vbCritical);
        EXPECT_TRUE(cajas.cajas[0].texto.starts_with("No se puede crear la nueva instancia:"));
        for (const std::string& m : c.motivos)
            EXPECT_NE(cajas.cajas[0].texto.find(m), std::string::npos) << cajas.cajas[0].texto;
        EXPECT_TRUE(Caja(*w).ends_with("\nNo se creó la nueva instancia"));
        EXPECT_TRUE(w->cmdProceder->isEnabled());
        w->close();
    }
    Proceso::BasesDD->cPuerto = puertoProducto;
    pruebas::EscribeArchivo(MyIni(), antes);
    EXPECT_EQ(LeeArchivo(MyIni()), antes);
    EXPECT_EQ(LeeArchivo(IniNuevo()), mirrorIni);
    EXPECT_EQ(Nombres(sandbox.MySQL()), carpetaMySQL);
    EXPECT_EQ(Foto(fs::path(datos) / "mysql"), fotoMirror);
    EXPECT_FALSE(fs::exists(otro));
    EXPECT_FALSE(HayServicio("QXotra"));
    EXPECT_EQ(Consulta("SELECT @@port", puerto).filas.at(0).at(0), puerto) << "QXmirror sigue";
    EXPECT_EQ(Bitacora().size(), 3u);
}

// Lo que solo se avisa (el archivo, la carpeta, un puerto en el que alguien
// escucha): un cuadro con los tres avisos y, con Sí, cada paso corre. El
// servidor no puede escuchar en ese puerto y net start falla: la pregunta de
// quitar lo creado, con Sí, quita el registro, el archivo escrito (el
// respaldo del que había queda) y la carpeta mysql creada (la carpeta que ya
// existía queda). Otra instancia con No deja todo lo que creó.
TEST_F(frmInstanciaTest, ServicioQueNoArrancaSeQuitaSoloLoQueSeCreo) {
    const std::string viejo = "[mysqld]\nport=1\n# de otra instancia\n";
    pruebas::EscribeArchivo(IniNuevo(), viejo);
    const std::string datos = (sandbox.Carpeta() / "datos").string();
    fs::create_directories(datos);
    const std::string antes = LeeArchivo(MyIni());
    const std::string puerto = pruebas::PuertoLibre(4000, 9999);
    const int ocupado = Escucha(std::stoi(puerto), true);
    ASSERT_GE(ocupado, 0);
    auto w = Abre();
    w->txtDatoMultiLinea->setPlainText(QString::fromStdString(datos));
    w->txtDato[5]->setText(QString::fromStdString(puerto));
    cajas.respuestas = {rtqx5::vbOK, rtqx5::vbYes, rtqx5::vbYes};
    w->cmdProceder_Click();

    ASSERT_EQ(cajas.cajas.size(), 5u) << cajas.cajas.back().texto;
    EXPECT_EQ(cajas.cajas[0].titulo, "Atención");
    EXPECT_EQ(cajas.cajas[0].estilo, rtqx5::vbExclamation);
    EXPECT_EQ(cajas.cajas[0].texto, "El archivo «" + IniNuevo() + "» ya existe\r\n\r\nLa ruta «" +
                                        datos + "/» ya existe\r\n\r\nEl puerto " + puerto +
                                        " ya está en uso en este equipo\r\n\r\n");
    EXPECT_EQ(cajas.cajas[1].titulo, "Crear instancia");
    const auto& pregunta = cajas.cajas[2];
    EXPECT_EQ(pregunta.titulo, "Nueva instancia");
    EXPECT_EQ(pregunta.estilo, rtqx5::vbYesNo | rtqx5::vbQuestion | rtqx5::vbDefaultButton2);
    EXPECT_EQ(pregunta.texto,
              "El servicio «QXmirror» no arrancó. ¿Desea quitar lo que creó este "
              "proceso?\r\n\r\nel registro del servicio «QXmirror»\r\nel archivo «" +
                  IniNuevo() + "»\r\nla carpeta «" + datos + "/mysql» con lo que contiene");
    EXPECT_EQ(cajas.cajas[3].titulo, "Nueva instancia");
    EXPECT_EQ(cajas.cajas[3].estilo, rtqx5::vbInformation);
    EXPECT_TRUE(cajas.cajas[3].texto.starts_with("Se quitó lo que creó este proceso:\r\n\r\nel "
                                                 "registro del servicio «QXmirror»"))
        << cajas.cajas[3].texto;
    const auto& final = cajas.cajas[4];
    EXPECT_EQ(final.estilo, rtqx5::vbExclamation);
    EXPECT_NE(final.texto.find("El comando «net start QXmirror» terminó con el código 2"),
              std::string::npos)
        << final.texto;
    EXPECT_NE(final.texto.find("No se corrió mysql_upgrade porque «net start QXmirror» terminó "
                               "con error"),
              std::string::npos);

    EXPECT_FALSE(HayServicio("QXmirror"));
    EXPECT_FALSE(fs::exists(IniNuevo()));
    std::vector<fs::path> respaldos;
    for (const auto& e : fs::directory_iterator(sandbox.MySQL()))
        if (e.path().extension() == ".bak")
            respaldos.push_back(e.path());
    ASSERT_EQ(respaldos.size(), 1u);
    EXPECT_EQ(LeeArchivo(respaldos[0]), viejo);
    EXPECT_TRUE(fs::is_directory(datos));
    EXPECT_FALSE(fs::exists(fs::path(datos) / "mysql"));
    const std::string mysql = RutaMySQL();
    EXPECT_EQ(Bitacora(),
              (std::vector<std::string>{
                  "Copia de respaldo: " + respaldos[0].string(),
                  "\"" + mysql + "/bin/mysqld\" --install QXmirror --defaults-file=\"" +
                      IniNuevo() + "\"",
                  "net start QXmirror", "\"" + mysql + "/bin/mysqld\" --remove QXmirror"}));

    // Otra instancia en una carpeta nueva (con su carpeta madre nueva): No.
    w->close();
    w = Abre();
    const fs::path madre = sandbox.Carpeta() / "nueva";
    w->txtDato[0]->setText("QXotra");
    w->txtDato[2]->setText("QXotra.ini");
    w->txtDatoMultiLinea->setPlainText(QString::fromStdString((madre / "datos").string()));
    w->txtDato[5]->setText(QString::fromStdString(puerto));
    cajas.cajas.clear();
    cajas.respuestas = {rtqx5::vbOK, rtqx5::vbYes, rtqx5::vbNo};
    w->cmdProceder_Click();
    ASSERT_EQ(cajas.cajas.size(), 4u);
    EXPECT_NE(cajas.cajas[2].texto.find("la carpeta «" + madre.string() + "» con lo que contiene"),
              std::string::npos)
        << cajas.cajas[2].texto;
    EXPECT_TRUE(HayServicio("QXotra"));
    EXPECT_TRUE(fs::is_regular_file(sandbox.MySQL() / "QXotra.ini"));
    EXPECT_TRUE(fs::is_regular_file(madre / "datos" / "mysql" / "global_priv.frm"));
    EXPECT_NE(Caja(*w).find("Se dejó lo que creó este proceso"), std::string::npos) << Caja(*w);

    // El servidor del entorno no se tocó.
    EXPECT_EQ(LeeArchivo(MyIni()), antes);
    EXPECT_EQ(Consulta("SELECT @@port").filas.at(0).at(0), sandbox.Puerto());
    ::close(ocupado);
}

// Sin my.ini y con el archivo nuevo ya existente: los avisos 1 y 2 en ese
// orden. No deja todo como estaba; Sí después informa el error de la copia
// sin fuente y sigue: sin carpeta de datos original no se copia nada (nunca
// desde la raíz), y las claves se escriben. Una carpeta que no se puede crear
// también se informa sin detener el procedimiento.
TEST_F(frmInstanciaTest, SinMyIniNoNoTocaNadaYSiSigueSinCopiar) {
    const fs::path guardado = sandbox.MySQL() / "guardado.ini";
    fs::rename(MyIni(), guardado);
    const std::string viejo = "[client]\nport=1\n[mysqld]\nport=1\n";
    pruebas::EscribeArchivo(IniNuevo(), viejo);
    const std::string puerto = pruebas::PuertoLibre(4000, 9999);
    const std::string datos = (sandbox.Carpeta() / "datos").string();
    auto w = Abre();
    w->txtDatoMultiLinea->setPlainText(QString::fromStdString(datos));
    w->txtDato[5]->setText(QString::fromStdString(puerto));
    cajas.respuestas = {rtqx5::vbOK, rtqx5::vbNo};
    w->cmdProceder_Click();

    ASSERT_EQ(cajas.cajas.size(), 2u);
    EXPECT_EQ(cajas.cajas[0].titulo, "Atención");
    EXPECT_EQ(cajas.cajas[0].texto, "El archivo «" + MyIni() + "» no existe\r\n\r\nEl archivo «" +
                                        IniNuevo() + "» ya existe\r\n\r\n");
    EXPECT_EQ(cajas.cajas[1].titulo, "Crear instancia");
    const std::string mysql = RutaMySQL();
    EXPECT_EQ(Caja(*w), "\nVerificando MySQLd \"" + mysql +
                            "/bin/mysqld\" ...\nVerificando INI "
                            "original " +
                            MyIni() + " ...\nVerificando Nuevo INI " + IniNuevo() +
                            " ...\nVerificando " + datos +
                            "/ ...\nVerificación concluída\nNo se creó la nueva instancia");
    EXPECT_TRUE(w->cmdProceder->isEnabled());
    EXPECT_EQ(LeeArchivo(IniNuevo()), viejo);
    EXPECT_FALSE(fs::exists(datos));
    EXPECT_FALSE(HayServicio("QXmirror"));
    EXPECT_TRUE(Bitacora().empty());

    // Ahora Sí.
    cajas.cajas.clear();
    cajas.respuestas = {rtqx5::vbOK, rtqx5::vbYes};
    GrabaCaja(*w);
    w->cmdProceder_Click();
    ASSERT_GE(cajas.cajas.size(), 4u);
    EXPECT_EQ(cajas.cajas[2].titulo, "ERROR");
    EXPECT_EQ(cajas.cajas[2].estilo, rtqx5::vbCritical);
    EXPECT_EQ(cajas.cajas[2].texto, "Error 53, No se ha encontrado el archivo: " + MyIni());
    EXPECT_EQ(cajas.cajas.back().titulo, "Nueva instancia");
    EXPECT_EQ(cajas.cajas.back().estilo, rtqx5::vbExclamation);
    EXPECT_NE(cajas.cajas.back().texto.find("No se pudo copiar «" + MyIni() + "»"),
              std::string::npos)
        << cajas.cajas.back().texto;

    const std::string historia = HistoriaCaja();
    EXPECT_NE(historia.find("\nNo se copió la base mysql: no se conoce la carpeta de datos del "
                            "servidor instalado\n"),
              std::string::npos)
        << historia;
    EXPECT_EQ(historia.find("Copiando"), std::string::npos);
    EXPECT_TRUE(fs::is_directory(fs::path(datos) / "mysql"));
    EXPECT_TRUE(fs::is_empty(fs::path(datos) / "mysql"));
    rtqx5::libRTSA lib;
    EXPECT_EQ(lib.LeeIni("client", "port", IniNuevo()), puerto);
    EXPECT_EQ(lib.LeeIni("mysqld", "port", IniNuevo()), puerto);
    EXPECT_EQ(lib.LeeIni("mysqld", "datadir", IniNuevo()), datos);
    EXPECT_TRUE(HayServicio("QXmirror")) << "mysqld --install corrió";
    EXPECT_TRUE(Caja(*w).ends_with("\nFin del proceso"));

    // Otra vez, con una carpeta de datos que no se puede crear (bajo un
    // archivo): su error se informa y el procedimiento llega al final.
    w->close();
    w = Abre();
    const std::string imposible = IniNuevo() + "/datos";
    w->txtDato[0]->setText("QXtercera");
    w->txtDatoMultiLinea->setPlainText(QString::fromStdString(imposible));
    cajas.cajas.clear();
    cajas.respuestas = {rtqx5::vbOK, rtqx5::vbYes};
    w->cmdProceder_Click();
    const std::string falla = "No se pudo crear la carpeta " + imposible + "/mysql";
    EXPECT_TRUE(HayCaja("ERROR", "Error 75, " + falla));
    EXPECT_TRUE(HayCaja("Nueva instancia", "No se copió la base mysql: " + falla));
    EXPECT_TRUE(Caja(*w).ends_with("\nFin del proceso"));
}

// La ventana como la ve el técnico: títulos, valores iniciales, el orden en
// pantalla y el de tabulación, y las reglas de cada campo con el teclado.
TEST_F(frmInstanciaTest, CamposValoresOrdenYReglas) {
    auto w = Abre();
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    EXPECT_EQ(w->windowTitle(), "Nueva instancia de MySQL en este servidor");
    const char* etiquetas[] = {"Nombre para la nueva instancia:",
                               "Directorio o carpeta para las bases de datos MIRROR:",
                               "Archivo «.INI» para MySQL:",
                               "Usuario para que conecte ORVALO al MIRROR:",
                               "Contraseña:",
                               "Puerto:"};
    const std::string valores[] = {"QXmirror",          (sandbox.Programa() / "data").string(),
                                   "QXmirror.ini",      "root",
                                   sandbox.ClaveRoot(), "3308"};
    for (int i = 0; i <= 5; ++i) {
        EXPECT_EQ(w->lblEtiq[i]->text().toStdString(), etiquetas[i]);
        EXPECT_EQ(w->Dato(i).toStdString(), valores[i]);
    }
    EXPECT_TRUE(w->txtDato[0]->hasFocus()) << "la primera activación";
    for (int i : {3, 4}) {
        EXPECT_TRUE(w->txtDato[i]->isReadOnly());
        EXPECT_EQ(w->txtDato[i]->palette().color(QPalette::Base), QColor(188, 186, 187));
        EXPECT_EQ(w->txtDato[i]->echoMode(), QLineEdit::Normal) << "la contraseña se ve";
    }
    // De arriba abajo: 0, 2, 1 y el marco con 3, 4 y 5; Proceder a la derecha
    // del 5 y la caja abajo, a todo lo ancho.
    const auto arriba = [&](QWidget* c) { return c->mapTo(w.get(), QPoint(0, 0)).y(); };
    EXPECT_LT(arriba(w->txtDato[0]), arriba(w->txtDato[2]));
    EXPECT_LT(arriba(w->txtDato[2]), arriba(w->txtDatoMultiLinea));
    EXPECT_LT(arriba(w->txtDatoMultiLinea), arriba(w->Frame1));
    for (int i : {3, 4, 5})
        EXPECT_EQ(w->txtDato[i]->parentWidget(), w->Frame1);
    EXPECT_GE(w->txtDatoMultiLinea->height(), 2 * w->txtDato[0]->height() - 8);
    const QRect cinco(w->txtDato[5]->mapTo(w.get(), QPoint(0, 0)), w->txtDato[5]->size());
    EXPECT_GT(w->cmdProceder->x(), cinco.right());
    EXPECT_TRUE(w->cmdProceder->geometry().top() < cinco.bottom() &&
                w->cmdProceder->geometry().bottom() > cinco.top());
    EXPECT_GT(w->txtCapturaDOS->y(), w->Frame1->geometry().bottom());
    EXPECT_EQ(w->txtCapturaDOS->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);

    // El orden de tabulación sigue el índice.
    QWidget* orden[] = {w->txtDato[0], w->txtDatoMultiLinea, w->txtDato[2], w->txtDato[3],
                        w->txtDato[4], w->txtDato[5],        w->cmdProceder};
    for (std::size_t i = 1; i < std::size(orden); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), orden[i]) << "tras el campo " << i - 1;
    }

    // Un campo vacío o en blanco (y un puerto que no es de 1 a 9999, o una
    // carpeta con un salto de línea) retiene el foco, pita y dice por qué; el
    // 4 puede quedar vacío.
    const auto sale = [&](QWidget* campo, const QString& texto) -> std::pair<bool, int> {
        campo->setFocus();
        if (!QTest::qWaitFor([&] { return campo->hasFocus(); }))
            return {false, -1};
        auto* linea = qobject_cast<QLineEdit*>(campo);
        const QString antes = linea ? linea->text() : w->txtDatoMultiLinea->toPlainText();
        const auto pon = [&](const QString& t) {
            if (linea)
                linea->setText(t);
            else
                w->txtDatoMultiLinea->setPlainText(t);
        };
        pon(texto);
        const int pitidos = cajas.pitidos;
        QTest::keyClick(campo, Qt::Key_Tab);
        const std::pair r(campo->hasFocus(), cajas.pitidos - pitidos);
        pon(antes);
        return r;
    };
    const std::pair retenido(true, 1);
    EXPECT_EQ(sale(w->txtDato[0], QStringLiteral("  ")), retenido);
    EXPECT_EQ(sale(w->txtDatoMultiLinea, QString()), retenido);
    EXPECT_EQ(sale(w->txtDatoMultiLinea, QStringLiteral("/tmp/a\nb")), retenido);
    EXPECT_EQ(sale(w->txtDato[2], QStringLiteral(" ")), retenido);
    EXPECT_EQ(sale(w->txtDato[5], QString()), retenido);
    EXPECT_EQ(sale(w->txtDato[5], QStringLiteral("0")), retenido);
    EXPECT_EQ(sale(w->txtDato[4], QString()), std::pair(false, 0));
    EXPECT_EQ(sale(w->txtDato[5], QStringLiteral("3309")), std::pair(false, 0));

    // El puerto: solo dígitos, cuatro a lo más.
    w->txtDato[5]->setFocus();
    w->txtDato[5]->clear();
    QTest::keyClicks(w->txtDato[5], "3a3-0 89");
    EXPECT_EQ(w->txtDato[5]->text(), "3308");

    // Las flechas mueven entre campos salvo en el campo 1; Enter en él pasa al
    // siguiente sin agregar líneas.
    w->txtDato[0]->setFocus();
    QTest::keyClick(w->txtDato[0], Qt::Key_Down);
    EXPECT_TRUE(w->txtDatoMultiLinea->hasFocus());
    w->txtDatoMultiLinea->setPlainText(QStringLiteral("/tmp/datos"));
    QTest::keyClick(w->txtDatoMultiLinea, Qt::Key_Up);
    QTest::keyClick(w->txtDatoMultiLinea, Qt::Key_Down);
    EXPECT_TRUE(w->txtDatoMultiLinea->hasFocus());
    QTest::keyClick(w->txtDatoMultiLinea, Qt::Key_Return);
    EXPECT_TRUE(w->txtDato[2]->hasFocus());
    EXPECT_EQ(w->Dato(1), "/tmp/datos");
    ASSERT_EQ(cajas.cajas.size(), 6u) << "un cuadro por cada campo retenido";
    for (const auto& c : cajas.cajas)
        EXPECT_EQ(c.estilo, rtqx5::vbCritical);
}

// El archivo temporal de la contraseña contra el cliente mysql real: una
// contraseña con comillas, "\\", "#", blancos y un salto de línea entra; el
// archivo es 0600 mientras vive y desaparece con el objeto, también cuando el
// comando falla; un NUL no se puede escribir y no deja archivo.
TEST_F(frmInstanciaTest, ClaveTemporalLlevaLaContrasenaEnteraAlServidor) {
    const std::string clave = "a'b\\c#d\"e f\\\n\\n\t ";
    CuentaDelProductoConClaveDificil("rt_clave", clave);
    const auto entra = [&](const std::string& contrasena, std::string& salida) {
        pasos::ClaveTemporal archivo(contrasena);
        const std::string ruta = archivo.Ruta();
        EXPECT_EQ(fs::status(ruta).permissions() & fs::perms::all,
                  fs::perms::owner_read | fs::perms::owner_write);
        std::string bloque;
        std::int32_t codigo = -1;
        EXPECT_TRUE(ejecucion::EjecutaCMD(
            pasos::ProgramaMySQL(RutaMySQL() + "/", "mysql") + " " + archivo.Opcion() +
                " --host=127.0.0.1 --port=" + sandbox.Puerto() +
                " --protocol=tcp --user=rt_clave -N -e \"SELECT CURRENT_USER()\"",
            "", "", nullptr, false, ejecucion::kModoSinCaja, bloque, salida, -1, codigo));
        return std::pair(ruta, codigo);
    };
    std::string salida;
    const auto [ruta, codigo] = entra(clave, salida);
    EXPECT_EQ(codigo, 0) << salida;
    EXPECT_TRUE(salida.starts_with("rt_clave@")) << salida;
    EXPECT_FALSE(fs::exists(ruta));
    const auto [otra, rechazo] = entra(clave + "x", salida);
    EXPECT_EQ(rechazo, 1) << "una contraseña distinta no entra";
    EXPECT_NE(salida.find("Access denied"), std::string::npos) << salida;
    EXPECT_FALSE(fs::exists(otra));

    const auto antes = Nombres(fs::temp_directory_path());
    EXPECT_THROW(pasos::ClaveTemporal(std::string("a\0b", 3)), rtqx5::ErrorRT);
    EXPECT_EQ(Nombres(fs::temp_directory_path()), antes);
}

// Valores tecleados o pegados que no sirven: al dejar el campo y otra vez en
// "Proceder", un pitido y un cuadro crítico que nombra el campo y dice por
// qué; "Proceder" no pregunta ni crea nada.
TEST_F(frmInstanciaTest, ValoresQueNoSirvenSeRechazanNombrandoElCampo) {
    const std::string controles = "contiene un salto de línea, un tabulador u otro carácter";
    const std::string soloNombre = "debe ser solo un nombre de archivo";
    const std::string completa = "debe ser una ruta completa";
    const std::string puerto = "debe ser un número de puerto de 1 a 9999.";
    const struct {
        int campo;
        QString valor;
        std::string motivo;
    } casos[] = {
        {0, "QX\nmirror", controles},
        {0, "QX\tmirror", controles},
        {0, "../evil", "no puede llevar"},
        {0, "a\\b", "no puede llevar"},
        {0, "--defaults-file=x", "no puede empezar con"},
        {1, "/tmp/a\nb", controles},
        {1, "3311", completa},
        {1, "/tmp/da\"tos", "no puede llevar comillas dobles"},
        {1, QString("/tmp/a") + QChar(0) + "b", controles},
        {2, "Q\nX.ini", controles},
        {2, "../../evil.ini", soloNombre},
        {2, "a\\b.ini", soloNombre},
        {2, "NUL.ini", "es el nombre de un dispositivo"},
        {2, "my.ini.", "no puede terminar"},
        {3, "root\n", controles},
        {4, "clave\r\nskip-grant-tables", controles},
        {5, "33\n8", puerto},
        {5, "0", puerto},
        {5, "", "está vacío."},
        {5, "ab", puerto},
        // Lo que un técnico pega por error: 5.000 caracteres.
        {0, QString(5000, QLatin1Char('q')), "tiene más de"},
        {1, QStringLiteral("/tmp/") + QString(5000, QLatin1Char('d')), "tiene más de"},
        {2, QString(5000, QLatin1Char('i')) + QStringLiteral(".ini"), "tiene más de"},
    };
    const auto programa = Nombres(sandbox.Programa());
    const auto carpetaMySQL = Nombres(sandbox.MySQL());
    auto w = Abre();
    for (const auto& c : casos) {
        SCOPED_TRACE(std::to_string(c.campo) + ": " + c.valor.toStdString());
        const QString antes = w->Dato(c.campo);
        if (c.campo == 1)
            w->txtDatoMultiLinea->setPlainText(c.valor);
        else
            w->txtDato[c.campo]->setText(c.valor);
        const std::string esperado =
            "El campo «" + w->lblEtiq[c.campo]->text().toStdString() + "» " + c.motivo;
        for (bool proceder : {false, true}) {
            cajas.cajas.clear();
            cajas.respuestas = {rtqx5::vbYes, rtqx5::vbYes};
            const int pitidos = cajas.pitidos;
            bool cancel = false;
            if (proceder)
                w->cmdProceder_Click();
            else
                w->txtDato_Validate(c.campo, cancel);
            EXPECT_EQ(cancel, !proceder);
            EXPECT_EQ(cajas.pitidos - pitidos, 1);
            ASSERT_EQ(cajas.cajas.size(), 1u);
            EXPECT_EQ(cajas.cajas[0].estilo, rtqx5::vbCritical);
            EXPECT_EQ(cajas.cajas[0].titulo, "Nueva instancia");
            EXPECT_TRUE(cajas.cajas[0].texto.starts_with(esperado)) << cajas.cajas[0].texto;
        }
        EXPECT_TRUE(Caja(*w).ends_with("No se creó la nueva instancia"));
        if (c.campo == 1)
            w->txtDatoMultiLinea->setPlainText(antes);
        else
            w->txtDato[c.campo]->setText(antes);
    }
    EXPECT_EQ(Nombres(sandbox.Programa()), programa);
    EXPECT_EQ(Nombres(sandbox.MySQL()), carpetaMySQL);
    EXPECT_FALSE(fs::exists(sandbox.MySQL().parent_path().parent_path() / "evil.ini"));
    EXPECT_FALSE(fs::exists("3311"));
    EXPECT_TRUE(Bitacora().empty());
}

} // namespace
