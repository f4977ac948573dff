// La ventana de la nueva instancia contra su propio entorno de prueba: un
// segundo servidor real que contesta en su puerto, el archivo de opciones
// nuevo, la base mysql copiada, los avisos, la respuesta No y las reglas de
// los campos.
#include "EjecucionCMD.h"
#include "EntornoProcedimiento.h"
#include "frmInstancia.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <filesystem>
#include <netinet/in.h>
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

private:
    QString vista_, historia_;
};

// El trabajo completo con una carpeta de datos con blancos, escrita con
// separador final: el segundo servidor arranca en su puerto con la base mysql
// copiada, root entra con la contraseña del producto y las tablas InnoDB del
// sistema (que no se copian) las recrea mysql_upgrade. Cerrar la ventana
// mientras corre net start espera al final del procedimiento.
TEST_F(frmInstanciaTest, CreaUnSegundoServidorQueContestaEnSuPuerto) {
    const std::string puerto = pruebas::PuertoLibre(4000, 9999);
    const std::string datos = (sandbox.Carpeta() / "Datos MIRROR").string();
    const std::string mysqlOriginal = (sandbox.MySQL() / "data" / "mysql").string();
    const std::string antes = LeeArchivo(MyIni());
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
    EXPECT_EQ(cajas.cajas[1].texto, "Proceso terminado");
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

    // Un servidor real en el puerto nuevo, con esa carpeta de datos: root entra
    // con la contraseña del producto y las tablas InnoDB del sistema existen.
    EXPECT_TRUE(HayServicio("QXmirror"));
    const auto servidor = Consulta("SELECT @@port, @@datadir", puerto);
    ASSERT_EQ(servidor.filas.size(), 1u);
    EXPECT_EQ(servidor.filas[0][0], puerto);
    EXPECT_EQ(servidor.filas[0][1], datos + "/");
    rtqx5::Conexion conexion;
    ASSERT_TRUE(Conecta(conexion, "root", sandbox.ClaveRoot(), puerto));
    EXPECT_EQ(conexion.Execute("SELECT COUNT(*) FROM mysql.gtid_slave_pos"),
              std::vector<std::string>{"0"});
    EXPECT_EQ(conexion.Execute("SELECT COUNT(*) FROM mysql.innodb_table_stats").size(), 1u);
    EXPECT_EQ(Consulta("SELECT @@port").filas.at(0).at(0), sandbox.Puerto())
        << "el servidor original sigue";

    // La caja: la salida del último comando y "Fin del proceso"; la
    // contraseña no aparece ni en la caja ni en la bitácora.
    const std::string caja = Caja(*w);
    EXPECT_EQ(caja.find("Verificando"), std::string::npos) << "el ejecutor vacía la caja";
    EXPECT_NE(caja.find("Phase 1/"), std::string::npos) << caja;
    EXPECT_TRUE(caja.ends_with("\nOK\n\nFin del proceso")) << caja;
    EXPECT_EQ(caja.find(sandbox.ClaveRoot()), std::string::npos);
    const std::string mysql = RutaMySQL();
    const std::vector<std::string> bitacora = {
        "\"" + mysql + "/bin/mysqld\" --install QXmirror --defaults-file=\"" + mysql +
            "/QXmirror.ini\"",
        "net start QXmirror",
        "\"" + mysql + "/bin/mysql_upgrade\" --host=127.0.0.1 --port=" + puerto +
            " --protocol=tcp --user=root --password=******** --force"};
    EXPECT_EQ(Bitacora(), bitacora);
}

// Todo lo que se avisa ya existe (el archivo, la carpeta, un puerto en el que
// alguien escucha y el servicio "MySQL"): un solo cuadro con los cuatro
// avisos, y con Sí corre cada paso. El archivo que existía queda
// respaldado; los comandos fallan, su salida se queda y el final lo dice.
TEST_F(frmInstanciaTest, AvisosDeLoQueYaExisteYSiCorreCadaPaso) {
    const std::string viejo = "[mysqld]\nport=1\n# de otra instancia\n";
    pruebas::EscribeArchivo(IniNuevo(), viejo);
    const std::string datos = (sandbox.Carpeta() / "datos").string();
    fs::create_directories(datos);
    const std::string antes = LeeArchivo(MyIni());
    const std::string puerto = pruebas::PuertoLibre(4000, 9999);
    const int ocupado = Escucha(std::stoi(puerto), true);
    ASSERT_GE(ocupado, 0);
    auto w = Abre();
    w->txtDato[0]->setText("MySQL");
    w->txtDatoMultiLinea->setPlainText(QString::fromStdString(datos));
    w->txtDato[5]->setText(QString::fromStdString(puerto));
    cajas.respuestas = {rtqx5::vbOK, rtqx5::vbYes};
    w->cmdProceder_Click();

    ASSERT_EQ(cajas.cajas.size(), 3u);
    EXPECT_EQ(cajas.cajas[0].titulo, "Atención");
    EXPECT_EQ(cajas.cajas[0].estilo, rtqx5::vbExclamation);
    EXPECT_EQ(cajas.cajas[0].texto, "El archivo «" + IniNuevo() + "» ya existe\r\n\r\nLa ruta «" +
                                        datos + "/» ya existe\r\n\r\nEl puerto " + puerto +
                                        " ya está en uso en este equipo\r\n\r\nEl servicio «MySQL» "
                                        "ya existe\r\n\r\n");
    EXPECT_EQ(cajas.cajas[1].titulo, "Crear instancia");
    const auto& final = cajas.cajas[2];
    EXPECT_EQ(final.titulo, "Nueva instancia");
    EXPECT_EQ(final.estilo, rtqx5::vbExclamation);
    const std::string instala = "\"" + RutaMySQL() +
                                "/bin/mysqld\" --install MySQL "
                                "--defaults-file=\"" +
                                IniNuevo() + "\"";
    EXPECT_NE(final.texto.find("El comando «" + instala + "» terminó con el código 1"),
              std::string::npos)
        << final.texto;
    EXPECT_NE(final.texto.find("El comando «net start MySQL» terminó con el código 2"),
              std::string::npos);
    EXPECT_NE(final.texto.find("No se corrió mysql_upgrade"), std::string::npos);

    // Cada paso corrió: el archivo viejo respaldado, el nuevo copiado con sus
    // claves, la base mysql copiada; la salida de ambos comandos se ve.
    std::vector<fs::path> respaldos;
    for (const auto& e : fs::directory_iterator(sandbox.MySQL()))
        if (e.path().extension() == ".bak")
            respaldos.push_back(e.path());
    ASSERT_EQ(respaldos.size(), 1u);
    EXPECT_EQ(LeeArchivo(respaldos[0]), viejo);
    EXPECT_EQ(LeeArchivo(IniNuevo()), MyIniCambiado(puerto, datos));
    EXPECT_TRUE(fs::is_regular_file(fs::path(datos) / "mysql" / "global_priv.frm"));
    const std::string caja = Caja(*w);
    EXPECT_NE(caja.find("El servicio MySQL ya existe"), std::string::npos) << caja;
    EXPECT_NE(caja.find("ya está iniciado"), std::string::npos) << caja;
    EXPECT_TRUE(caja.ends_with("\nFin del proceso")) << caja;
    EXPECT_EQ(Bitacora(), (std::vector<std::string>{"Copia de respaldo: " + respaldos[0].string(),
                                                    instala, "net start MySQL"}));

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

    // Un campo vacío o en blanco (y un puerto que no es de 1 a 65535, o una
    // carpeta con un salto de línea) retiene el foco y pita; el 4 puede
    // quedar vacío.
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
    EXPECT_TRUE(cajas.cajas.empty());
}

} // namespace
