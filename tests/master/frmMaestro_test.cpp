// La ventana del maestro contra un servidor real de su propio entorno de prueba:
// la cuenta que entra, el servicio que reinicia con el registro binario, el
// archivo de opciones, la bitácora y los casos que no deben cambiar nada.
#include "EjecucionCMD.h"
#include "EntornoProcedimiento.h"
#include "EsperaQt.h"
#include "frmMaestro.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

using pruebas::LeeArchivo;

// El texto de la caja como lo muestra (los saltos como "\n").
std::string Caja(const frmMaestro& w) {
    return w.txtCapturaDOS->toPlainText().toStdString();
}

std::vector<std::string> Lineas(const std::string& texto) {
    std::vector<std::string> r;
    std::istringstream s(texto);
    std::string l;
    while (std::getline(s, l))
        r.push_back(l);
    return r;
}

class frmMaestroTest : public EntornoProcedimiento {
protected:
    std::unique_ptr<frmMaestro> Abre() {
        auto w = std::make_unique<frmMaestro>();
        Muestra(*w);
        return w;
    }

    // Las copias de respaldo de my.ini en la carpeta de MySQL.
    std::vector<fs::path> Respaldos() const {
        std::vector<fs::path> r;
        for (const auto& e : fs::directory_iterator(sandbox.MySQL()))
            if (e.path().filename().string().starts_with("my.ini.") &&
                e.path().extension() == ".bak")
                r.push_back(e.path());
        return r;
    }

    std::string Cuenta(const std::string& usuario, const std::string& direccion) const {
        return Consulta("SELECT COUNT(*) FROM mysql.user WHERE user = '" + usuario +
                        "' AND host = '" + direccion + "'")
            .filas.at(0)
            .at(0);
    }

    // Corre Proceder contestando Sí a la confirmación.
    static void ProcederConSi(frmMaestro& w, rtqx5::GrabadorMensajes& cajas) {
        cajas.respuestas = {rtqx5::vbYes};
        w.cmdProceder_Click();
    }
};

// El trabajo completo, dos veces: la segunda (ventana abierta de nuevo)
// reemplaza la cuenta con la clave nueva. La clave llega al servidor y a
// nada más: ni a la caja, ni a la bitácora, ni a las líneas de órdenes.
TEST_F(frmMaestroTest, ConfiguraElMaestroYUnaSegundaCorridaCambiaLaClave) {
    const std::string antes = LeeArchivo(MyIni());
    // net y el mysqld de la carpeta de MySQL anotan sus argumentos y siguen.
    const fs::path ordenes = sandbox.Carpeta() / "ordenes.txt";
    const auto anota = [&](const fs::path& guion, const std::string& real) {
        pruebas::EscribeArchivo(guion, "#!/bin/bash\necho \"${0##*/} $*\" >> " +
                                           pruebas::Comillas(ordenes.string()) + "\nexec " +
                                           pruebas::Comillas(real) + " \"$@\"\n");
        fs::permissions(guion, fs::perms::owner_all);
    };
    const fs::path mysqld = sandbox.MySQL() / "bin" / "mysqld";
    fs::rename(mysqld, mysqld.string() + ".real");
    anota(mysqld, mysqld.string() + ".real");
    pruebas::CarpetaTemporal envolturas;
    anota(envolturas.Ruta() / "net", sandbox.Valor("RT_RUTA_NET") + "/net");
    pruebas::VariableEntorno conAnotador("PATH",
                                         envolturas.Ruta().string() + ":" + std::getenv("PATH"));

    auto w = Abre();
    ASSERT_EQ(w->lstBdeDs->count(), 2);
    EXPECT_EQ(w->lstBdeDs->item(0)->text(), "datos1");
    EXPECT_EQ(w->lstBdeDs->item(1)->text(), "datos2");
    EXPECT_EQ(w->lstBdeDs->item(0)->checkState(), Qt::Checked);
    EXPECT_EQ(w->lstBdeDs->item(1)->checkState(), Qt::Unchecked);
    EXPECT_EQ(w->txtElINI->text().toStdString(), RutaMySQL() + "/my.ini");
    EXPECT_TRUE(cajas.cajas.empty()) << "my.ini existe: ningún aviso";
    EXPECT_EQ(w->lblEtiq[10]->text().toStdString(),
              "Al ESCLAVO deberán copiarse, además:\r\n\r\ncatalogossat\r\nconcentradorqxp\r\n"
              "generalorvalo\r\nmysql\r\norvaloreportes");

    w->txtDato[1]->setText("127.0.0.1");
    w->txtDato[2]->setText("clave1");
    std::string vistas; // cada estado de la caja durante la corrida
    QObject::connect(w->txtCapturaDOS, &QPlainTextEdit::textChanged,
                     [&] { vistas += w->txtCapturaDOS->toPlainText().toStdString() + "\n"; });
    ProcederConSi(*w, cajas);
    QObject::disconnect(w->txtCapturaDOS, nullptr, nullptr, nullptr);

    EXPECT_NE(vistas.find("IDENTIFIED BY '********'"), std::string::npos) << vistas;
    EXPECT_EQ(vistas.find("clave1"), std::string::npos) << vistas;
    const std::string lineas = LeeArchivo(ordenes);
    EXPECT_EQ(lineas.find("clave1"), std::string::npos) << lineas;
    // MariaDB: su versión se pregunta y el archivo se revisa con --verbose --help.
    const std::vector<std::string> esperadas = {"mysqld --version", "net stop MySQL",
                                                "net start MySQL"};
    for (const auto& e : esperadas)
        EXPECT_NE(lineas.find(e + "\n"), std::string::npos) << e << " en\n" << lineas;
    EXPECT_NE(lineas.find("--verbose --help\n"), std::string::npos) << lineas;
    for (const auto& c : cajas.cajas)
        EXPECT_EQ(c.texto.find("clave1"), std::string::npos) << c.texto;

    ASSERT_EQ(cajas.cajas.size(), 2u);
    EXPECT_EQ(cajas.cajas[0].texto, "Confirme si desea configurar servidor MAESTRO");
    EXPECT_EQ(cajas.cajas[0].titulo, "Confirmación requerida");
    EXPECT_EQ(cajas.cajas[0].estilo, rtqx5::vbYesNo | rtqx5::vbQuestion | rtqx5::vbDefaultButton2);
    EXPECT_EQ(cajas.cajas[1].texto,
              "Proceso terminado\r\n\r\nCopia de respaldo: " + Respaldos().at(0).string());
    EXPECT_EQ(cajas.cajas[1].titulo, "Configuración MAESTRO");
    EXPECT_EQ(cajas.cajas[1].estilo, rtqx5::vbInformation);
    EXPECT_EQ(Caja(*w), "\nFin del proceso");
    EXPECT_FALSE(w->cmdProceder->isEnabled());

    // La cuenta existe con su permiso y entra con su clave.
    const auto permisos = Consulta("SHOW GRANTS FOR 'usuariomirror'@'127.0.0.1'");
    ASSERT_FALSE(permisos.filas.empty());
    EXPECT_NE(permisos.filas[0][0].find("GRANT REPLICATION SLAVE ON *.*"), std::string::npos);
    rtqx5::Conexion replica;
    EXPECT_TRUE(Conecta(replica, "usuariomirror", "clave1"));

    // El servicio se reinició con el registro binario de la base marcada.
    const auto estado = Consulta("SHOW MASTER STATUS");
    EXPECT_TRUE(estado.Valor("File").starts_with("qxlog-bin.")) << estado.Valor("File");
    EXPECT_EQ(estado.Valor("Binlog_Do_DB"), "datos1");

    // my.ini: las seis claves tras la última de [mysqld]; lo demás, igual.
    const std::string despues = LeeArchivo(MyIni());
    const std::vector<std::string> nuevas = {
        "log-bin=qxlog-bin",   "server-id=1",         "replicate-do-db=datos1",
        "binlog-do-db=datos1", "expire_logs_days=10", "binlog-row-event-max-size=16777216"};
    std::vector<std::string> esperado = Lineas(antes);
    std::size_t ultima = esperado.size();
    while (ultima > 0 && (esperado[ultima - 1].empty() || esperado[ultima - 1][0] == '#'))
        --ultima;
    esperado.insert(esperado.begin() + static_cast<long>(ultima), nuevas.begin(), nuevas.end());
    EXPECT_EQ(Lineas(despues), esperado);
    const std::string leidas = OpcionesServidor(MyIni());
    for (const auto& n : nuevas)
        EXPECT_NE(leidas.find("--" + n + "\n"), std::string::npos) << n << " en\n" << leidas;

    // La copia de respaldo es el my.ini de antes.
    const auto respaldos = Respaldos();
    ASSERT_EQ(respaldos.size(), 1u);
    EXPECT_EQ(LeeArchivo(respaldos[0]), antes);

    // La bitácora: las tres sentencias sin la clave, la copia y los dos
    // comandos; nada más.
    const std::vector<std::string> bitacora = {
        "DROP USER 'usuariomirror'@'127.0.0.1'",
        "CREATE USER 'usuariomirror'@'127.0.0.1' IDENTIFIED BY '********'",
        "GRANT REPLICATION SLAVE ON *.* TO 'usuariomirror'@'127.0.0.1' IDENTIFIED BY '********'",
        "Copia de respaldo: " + respaldos[0].string(),
        "net stop MySQL",
        "net start MySQL"};
    EXPECT_EQ(Bitacora(), bitacora);

    // Otra vez, con la ventana abierta de nuevo: los campos vienen de my.ini.
    w->close();
    w.reset();
    cajas.cajas.clear();
    w = Abre();
    EXPECT_TRUE(cajas.cajas.empty());
    EXPECT_EQ(w->txtDato[3]->text(), "qxlog-bin");
    EXPECT_EQ(w->lstBdeDs->item(0)->checkState(), Qt::Checked);
    w->txtDato[1]->setText("127.0.0.1");
    w->txtDato[2]->setText("clave2");
    ProcederConSi(*w, cajas);
    ASSERT_EQ(cajas.cajas.size(), 2u);
    EXPECT_TRUE(cajas.cajas[1].texto.starts_with(
        "Proceso terminado\r\n\r\nCopia de respaldo: " + MyIni() + "."))
        << cajas.cajas[1].texto;
    rtqx5::Conexion nueva, vieja;
    EXPECT_TRUE(Conecta(nueva, "usuariomirror", "clave2"));
    EXPECT_FALSE(Conecta(vieja, "usuariomirror", "clave1"));
    EXPECT_EQ(Cuenta("usuariomirror", "127.0.0.1"), "1");
    EXPECT_EQ(Respaldos().size(), 2u);
}

// Comillas, diagonal y un intento de inyección llegan al servidor como texto:
// la cuenta existe con ese nombre, datos1 sigue y la conexión de la ventana no
// mandó más que sus sentencias. Cerrar la ventana mientras corre net stop no
// cierra nada hasta que el procedimiento termina.
TEST_F(frmMaestroTest, CuentaConComillasYDiagonalSinInyeccionYCierreDuranteElComando) {
    const std::string registro = (sandbox.Carpeta() / "general.log").string();
    Consulta("SET GLOBAL general_log_file = '" + registro + "'");
    Consulta("SET GLOBAL general_log = ON");

    auto w = Abre();
    w->txtDato[0]->setText("x'; DROP DATABASE datos1; -- ");
    w->txtDato[1]->setText("127.0.0.1");
    w->txtDato[2]->setText("cl'a\\ve#1");

    bool cierrePedido = false, visibleTrasPedido = false;
    QTimer vigia;
    QObject::connect(&vigia, &QTimer::timeout, [&] {
        if (!cierrePedido && ejecucion::EstadoCMD == ejecucion::kCmdCorriendo &&
            w->txtCapturaDOS->toPlainText().contains(QStringLiteral("deteniendo"))) {
            cierrePedido = true;
            w->close();
            visibleTrasPedido = w->isVisible();
        }
    });
    vigia.start(5);
    ProcederConSi(*w, cajas);
    vigia.stop();

    EXPECT_TRUE(cierrePedido) << "net stop no se vio en la caja";
    EXPECT_TRUE(visibleTrasPedido) << "el cierre no esperó al procedimiento";
    EXPECT_FALSE(w->isVisible()) << "el cierre pedido se hace al terminar";
    EXPECT_EQ(w->windowTitle(), "Replicación servidor MAESTRO");
    ASSERT_EQ(cajas.cajas.size(), 2u);
    EXPECT_TRUE(cajas.cajas[1].texto.starts_with(
        "Proceso terminado\r\n\r\nCopia de respaldo: " + MyIni() + "."))
        << cajas.cajas[1].texto;

    const std::string usuario = "x';DROPDATABASEdatos1;--";
    EXPECT_EQ(Cuenta("x'';DROPDATABASEdatos1;--", "127.0.0.1"), "1");
    rtqx5::Conexion replica;
    EXPECT_TRUE(Conecta(replica, usuario, "cl'a\\ve#1"));
    EXPECT_EQ(Consulta("SHOW DATABASES LIKE 'datos1'").filas.size(), 1u);

    // Lo que mandó la conexión de la ventana (la que listó las bases).
    std::vector<std::string> sentencias;
    std::string hilo;
    for (const std::string& linea : Lineas(LeeArchivo(registro))) {
        const auto tab = linea.rfind('\t');
        if (tab == std::string::npos || tab == 0)
            continue;
        const auto previo = linea.rfind('\t', tab - 1);
        std::istringstream campo(linea.substr(previo + 1, tab - previo - 1));
        std::string id, orden;
        campo >> id >> orden;
        const std::string argumento = linea.substr(tab + 1);
        if (hilo.empty() && argumento == "SHOW DATABASES")
            hilo = id;
        if (!hilo.empty() && id == hilo && (orden == "Query" || orden == "Init"))
            sentencias.push_back(argumento);
    }
    const std::vector<std::string> esperadas = {
        "SHOW DATABASES",
        "SELECT @@character_set_system AS juego",
        "USE mysql",
        "SELECT VERSION()",
        "DROP USER 'x'';DROPDATABASEdatos1;--'@'127.0.0.1'",
        "CREATE USER 'x'';DROPDATABASEdatos1;--'@'127.0.0.1' IDENTIFIED BY 'cl''a\\\\ve#1'",
        "GRANT REPLICATION SLAVE ON *.* TO 'x'';DROPDATABASEdatos1;--'@'127.0.0.1' IDENTIFIED BY "
        "'cl''a\\\\ve#1'"};
    EXPECT_EQ(sentencias, esperadas);
}

// Una clave que el servidor no conoce ya en my.ini: el servidor no arrancaría,
// así que nada cambia y el motivo se ve.
TEST_F(frmMaestroTest, ArchivoQueElServidorRechazaNoCambiaNada) {
    pruebas::EscribeArchivo(MyIni(), LeeArchivo(MyIni()) + "clave-desconocida=1\n");
    const std::string antes = LeeArchivo(MyIni());
    auto w = Abre();
    w->txtDato[1]->setText("127.0.0.1");
    ProcederConSi(*w, cajas);

    ASSERT_EQ(cajas.cajas.size(), 2u);
    EXPECT_EQ(cajas.cajas[1].titulo, "Error");
    EXPECT_EQ(cajas.cajas[1].estilo, rtqx5::vbCritical);
    EXPECT_NE(cajas.cajas[1].texto.find("unknown variable 'clave-desconocida=1'"),
              std::string::npos)
        << cajas.cajas[1].texto;
    EXPECT_NE(Caja(*w).find("unknown variable 'clave-desconocida=1'"), std::string::npos);
    EXPECT_NE(Caja(*w).find("No se cambió nada."), std::string::npos);
    EXPECT_EQ(LeeArchivo(MyIni()), antes);
    EXPECT_TRUE(Respaldos().empty());
    EXPECT_TRUE(Bitacora().empty());
    EXPECT_EQ(Cuenta("usuariomirror", "127.0.0.1"), "0") << "ninguna sentencia";
    EXPECT_TRUE(w->cmdProceder->isEnabled()) << "nada corrió: se puede volver a intentar";
}

// Una dirección con un emoji: la conexión es utf8mb4, pero el servidor guarda
// las cuentas en utf8mb3 y la crearía como «caja?», que el DROP USER de la
// corrida siguiente no quitaría. Se rechaza nombrando el campo antes de
// preguntar nada, y ninguna cuenta queda con el permiso.
TEST_F(frmMaestroTest, DireccionConEmojiSeRechazaSinCrearNingunaCuenta) {
    const std::string antes = LeeArchivo(MyIni());
    auto w = Abre();
    ASSERT_EQ(w->Conexion.JuegoCaracteres(), "utf8mb4");
    w->txtDato[1]->setText(QString::fromUtf8("caja\xF0\x9F\x98\x80"));
    ProcederConSi(*w, cajas);

    ASSERT_EQ(cajas.cajas.size(), 1u) << "ni la confirmación";
    EXPECT_EQ(cajas.cajas[0].estilo, rtqx5::vbCritical);
    EXPECT_TRUE(cajas.cajas[0].texto.starts_with(
        "El campo «Dirección:» tiene un carácter «\xF0\x9F\x98\x80» que el servidor no puede "
        "guardar"))
        << cajas.cajas[0].texto;
    EXPECT_EQ(LeeArchivo(MyIni()), antes);
    EXPECT_TRUE(Bitacora().empty());
    EXPECT_EQ(
        Consulta("SELECT COUNT(*) FROM mysql.user WHERE user = 'usuariomirror'").filas.at(0).at(0),
        "0");
    EXPECT_TRUE(w->cmdProceder->isEnabled());
}

// Un servicio que no existe: nada se detiene ni se cambia en my.ini y el aviso
// final dice que hubo errores.
TEST_F(frmMaestroTest, ServicioInexistenteYDosBasesMarcadas) {
    rtqx5::libRTSA().EscribeIni("mysqld", "replicate-do-db", "DATOS2", MyIni());
    const std::string antes = LeeArchivo(MyIni());
    auto w = Abre();
    ASSERT_EQ(w->lstBdeDs->count(), 2);
    EXPECT_EQ(w->lstBdeDs->item(0)->checkState(), Qt::Checked);
    EXPECT_EQ(w->lstBdeDs->item(1)->checkState(), Qt::Checked) << "marcada por my.ini";
    w->txtDato[1]->setText("127.0.0.1");
    w->txtDato[6]->setText("NoExiste");
    ProcederConSi(*w, cajas);

    ASSERT_EQ(cajas.cajas.size(), 2u);
    const auto& aviso = cajas.cajas[1];
    EXPECT_EQ(aviso.titulo, "Configuración MAESTRO");
    EXPECT_EQ(aviso.estilo, rtqx5::vbExclamation);
    EXPECT_NE(aviso.texto.find("El proceso terminó con errores"), std::string::npos);
    EXPECT_NE(aviso.texto.find("El servicio NoExiste no existe; no se cambió «" + MyIni() + "»"),
              std::string::npos)
        << aviso.texto;
    const std::string caja = Caja(*w);
    EXPECT_EQ(caja.find("net stop"), std::string::npos) << caja;
    EXPECT_TRUE(caja.ends_with("\nFin del proceso")) << caja;
    EXPECT_EQ(LeeArchivo(MyIni()), antes);
    EXPECT_FALSE(fs::exists(MyIni() + ".cambio"));
}

// Las reglas de los campos con el teclado y el ratón reales: un campo rechazado
// retiene el foco y pita; el cierre de la ventana nunca queda bloqueado.
TEST_F(frmMaestroTest, CamposRechazadosRetienenElFoco) {
    auto w = Abre();
    EXPECT_EQ(OrdenTabulacion(w->txtElINI),
              "txtElINI txtDato_0 txtDato_1 txtDato_2 lstBdeDs txtDato_3 txtDato_4 txtDato_5 "
              "txtDato_6 cmdProceder");
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    auto* dias = w->txtDato[4];
    const auto intenta = [&](QLineEdit* campo, const QString& texto, Qt::Key tecla,
                             Qt::KeyboardModifiers mod = Qt::NoModifier) {
        campo->setFocus();
        ASSERT_TRUE(pruebas::EsperaQue([&] { return campo->hasFocus(); }));
        campo->setText(texto);
        QTest::keyClick(campo, tecla, mod);
        QApplication::processEvents();
    };
    for (const QString& malo : {QStringLiteral("0"), QStringLiteral("16"), QString()}) {
        const int pitidos = cajas.pitidos;
        intenta(dias, malo, Qt::Key_Tab);
        EXPECT_TRUE(dias->hasFocus()) << malo.toStdString();
        EXPECT_EQ(dias->text(), malo) << "el campo 4 no se reescribe";
        EXPECT_EQ(cajas.pitidos, pitidos + 1);
    }
    intenta(dias, QStringLiteral("16"), Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_TRUE(dias->hasFocus());
    QTest::mouseClick(w->txtDato[6], Qt::LeftButton);
    EXPECT_TRUE(dias->hasFocus()) << "tampoco con el ratón";
    // Un clic en Proceder con el campo rechazado no corre nada.
    QTest::mouseClick(w->cmdProceder, Qt::LeftButton);
    EXPECT_TRUE(dias->hasFocus());
    EXPECT_TRUE(cajas.cajas.empty());
    intenta(dias, QStringLiteral("15"), Qt::Key_Tab);
    EXPECT_TRUE(w->txtDato[5]->hasFocus());

    intenta(w->txtDato[0], QStringLiteral("usuario mirror"), Qt::Key_Tab);
    EXPECT_EQ(w->txtDato[0]->text(), "usuariomirror");
    EXPECT_TRUE(w->txtDato[1]->hasFocus());
    intenta(w->txtDato[1], QStringLiteral("IP del esclavo"), Qt::Key_Tab);
    EXPECT_EQ(w->txtDato[1]->text(), "IPdelesclavo") << "el aviso de diseño se acepta";
    const int pitidos = cajas.pitidos;
    intenta(w->txtDato[2], QStringLiteral("   "), Qt::Key_Tab);
    EXPECT_TRUE(w->txtDato[2]->hasFocus());
    EXPECT_EQ(w->txtDato[2]->text(), "");
    EXPECT_EQ(cajas.pitidos, pitidos + 1);

    // Proceder valida todos los campos: el primero rechazado termina la corrida
    // antes de preguntar.
    w->txtDato[4]->setText("0");
    w->cmdProceder_Click();
    EXPECT_TRUE(cajas.cajas.empty());
    EXPECT_EQ(Caja(*w), "\nVerificando Bases de datos seleccionadas ...\nVerificando Datos de la "
                        "configuración ...");
    EXPECT_TRUE(w->cmdProceder->isEnabled());

    // Con un campo rechazado la ventana se cierra igual.
    w->txtDato[2]->setFocus();
    w->close();
    EXPECT_FALSE(w->isVisible());
}

// Sin my.ini: su aviso al abrir y al proceder, y luego la pregunta; No deja
// todo como estaba. Otra ruta existente recarga los campos (no la misma con
// otras mayúsculas). Sin conexión la lista queda vacía y Proceder lo dice.
TEST_F(frmMaestroTest, SinArchivoRespuestaNoOtraRutaYSinConexion) {
    const fs::path guardado = sandbox.MySQL() / "guardado.ini";
    fs::rename(MyIni(), guardado);
    rtqx5::libRTSA().EscribeIni("mysqld", "server-id", "7", guardado.string());
    const std::string faltante = "El archivo «" + MyIni() + "» no existe";

    auto w = Abre();
    ASSERT_EQ(cajas.cajas.size(), 1u);
    EXPECT_EQ(cajas.cajas[0].texto, faltante);
    EXPECT_EQ(cajas.cajas[0].titulo, "Error");
    EXPECT_EQ(cajas.cajas[0].estilo, rtqx5::vbCritical);
    EXPECT_EQ(w->txtDato[5]->text(), "1");

    cajas.respuestas = {rtqx5::vbOK, rtqx5::vbNo};
    w->txtDato[1]->setText("127.0.0.1");
    w->cmdProceder_Click();
    ASSERT_EQ(cajas.cajas.size(), 3u);
    EXPECT_EQ(cajas.cajas[1].texto, faltante);
    EXPECT_EQ(cajas.cajas[2].titulo, "Confirmación requerida");
    EXPECT_EQ(Caja(*w), "\nVerificando Bases de datos seleccionadas ...\nVerificando Datos de la "
                        "configuración ...\nProceso cancelado");
    EXPECT_FALSE(fs::exists(MyIni()));
    EXPECT_TRUE(w->cmdProceder->isEnabled());
    EXPECT_EQ(Cuenta("usuariomirror", "127.0.0.1"), "0");
    EXPECT_TRUE(Bitacora().empty());

    // Otra ruta existente recarga; la misma con otras mayúsculas, no.
    bool Cancel = false;
    w->txtElINI->setText(QString::fromStdString(guardado.string()));
    w->txtElINI_Validate(Cancel);
    EXPECT_FALSE(Cancel);
    EXPECT_EQ(w->txtDato[5]->text(), "7");
    EXPECT_EQ(w->RutaIni.toStdString(), guardado.string());
    // En Linux otras mayúsculas son otro nombre: un enlace lo hace existir.
    fs::create_symlink(guardado, sandbox.MySQL() / "GUARDADO.ini");
    w->txtDato[5]->setText("1");
    w->txtElINI->setText(QString::fromStdString((sandbox.MySQL() / "GUARDADO.ini").string()));
    w->txtElINI_Validate(Cancel);
    EXPECT_FALSE(Cancel);
    EXPECT_EQ(w->txtDato[5]->text(), "1") << "la misma ruta con otras mayúsculas no recarga";
    EXPECT_EQ(w->RutaIni.toStdString(), guardado.string());
    w->txtElINI->setText(QString::fromStdString(MyIni()));
    w->txtElINI_Validate(Cancel);
    EXPECT_TRUE(Cancel) << "una ruta que no existe";
    w->close();

    // Sin conexión al abrir: la lista vacía, y la carga y Proceder lo dicen.
    Proceso::BasesDD->cPuerto = "1";
    cajas.cajas.clear();
    auto sinConexion = Abre();
    EXPECT_EQ(sinConexion->lstBdeDs->count(), 0);
    ASSERT_EQ(cajas.cajas.size(), 2u) << "la conexión y el archivo que falta";
    const std::string sinServidor =
        "No pudo conectar al servidor " + Proceso::BasesDD->cRuta + ":1 : ";
    EXPECT_TRUE(cajas.cajas[0].texto.starts_with(sinServidor)) << cajas.cajas[0].texto;
    cajas.cajas.clear();
    sinConexion->cmdProceder_Click();
    ASSERT_EQ(cajas.cajas.size(), 1u);
    EXPECT_TRUE(cajas.cajas[0].texto.starts_with(sinServidor)) << cajas.cajas[0].texto;
    EXPECT_EQ(cajas.cajas[0].titulo, "Error");
    EXPECT_EQ(cajas.cajas[0].estilo, rtqx5::vbCritical);
}

} // namespace
