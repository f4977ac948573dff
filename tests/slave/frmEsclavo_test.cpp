// La ventana del esclavo contra dos servidores reales de su propio entorno de
// prueba: el servicio "MySQL" como maestro y una segunda instancia QXmirror
// con una copia de datos1, hechos con las ventanas del maestro y de nueva
// instancia. La replicación se prueba con una fila que llega.
#include "EntornoProcedimiento.h"
#include "frmEsclavo.h"
#include "frmInstancia.h"
#include "frmMaestro.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

using pruebas::Comillas;
using pruebas::LeeArchivo;

// La clave de la cuenta de replicación: comilla, diagonal y "#".
const std::string kClave = "cl'a\\ve#1";

std::string Caja(const frmEsclavo& w) {
    return w.txtCapturaDOS->toPlainText().toStdString();
}

class frmEsclavoTest : public EntornoProcedimiento {
protected:
    std::string Ini(const std::string& nombre) const { return (sandbox.MySQL() / nombre).string(); }
    std::string Configuracion() const {
        return (sandbox.Programa() / "ReplicacionTesal.ini").string();
    }
    std::string Ajuste(const char* clave) const {
        return rtqx5::libRTSA().LeeIni("Configuración", clave, Configuracion());
    }

    std::unique_ptr<frmEsclavo> Abre() {
        auto w = std::make_unique<frmEsclavo>();
        Muestra(*w);
        return w;
    }

    // Lo que hace el técnico antes: QXmirror con la ventana de nueva instancia,
    // el maestro con la suya (la cuenta de replicación con una clave que lleva
    // comilla, diagonal y "#") y, justo tras el reinicio del maestro con el
    // registro binario y antes de cualquier escritura, la copia de datos1.
    void PreparaMaestroYQXmirror() {
        // El campo del puerto de la ventana de nueva instancia admite cuatro cifras.
        puertoEsclavo = pruebas::PuertoLibre(4000, 9999);
        {
            frmInstancia instancia;
            Muestra(instancia);
            instancia.txtDatoMultiLinea->setPlainText(
                QString::fromStdString((sandbox.Carpeta() / "qxdata").string()));
            instancia.txtDato[5]->setText(QString::fromStdString(puertoEsclavo));
            cajas.respuestas = {rtqx5::vbYes};
            instancia.cmdProceder_Click();
            ASSERT_EQ(cajas.cajas.back().texto, "Proceso terminado")
                << instancia.txtCapturaDOS->toPlainText().toStdString();
        }
        {
            frmMaestro maestro;
            Muestra(maestro);
            maestro.txtDato[1]->setText("127.0.0.1");
            maestro.txtDato[2]->setText(QString::fromStdString(kClave));
            cajas.respuestas = {rtqx5::vbYes};
            maestro.cmdProceder_Click();
            ASSERT_TRUE(cajas.cajas.back().texto.starts_with("Proceso terminado\r\n\r\nCopia"))
                << maestro.txtCapturaDOS->toPlainText().toStdString();
        }
        const std::string root = " --no-defaults --protocol=tcp -h127.0.0.1 -uroot";
        std::string salida;
        ASSERT_EQ(sandbox.Orden("export MYSQL_PWD=\"$RT_MYSQL_PASSWORD\"; mariadb-dump" + root +
                                    " -P\"$RT_MYSQL_PORT\" --databases datos1 | mariadb" + root +
                                    " -P" + puertoEsclavo,
                                &salida),
                  0)
            << salida;
        cajas.cajas.clear();
        // Los tres avisos de arriba y su bitácora no cuentan para el esclavo.
        fs::remove(sandbox.Programa() / "BitacoraReplicacionTesal.txt");
    }

    // Los datos del maestro en la ventana; la instancia QXmirror.
    void LlenaCampos(frmEsclavo& w, const std::string& puertoMaestro) {
        w.txtElINI->setText(QString::fromStdString(Ini("QXmirror.ini")));
        bool Cancel = true;
        w.txtElINI_Validate(Cancel);
        ASSERT_FALSE(Cancel);
        w.txtDato[1]->setText("127.0.0.1");
        w.txtDato[2]->setText(QString::fromStdString(kClave));
        w.txtDato[7]->setText(QString::fromStdString(puertoMaestro));
        w.txtDato[6]->setText("QXmirror");
        // El identificador que se leyó del my.ini del maestro no sirve aquí.
        w.txtDato[5]->setText("2");
    }

    std::string puertoEsclavo;
};

// Primero con un maestro que no contesta: las líneas de la prueba lo dicen y el
// proceso termina igual. Luego, con la ventana abierta de nuevo, el maestro
// correcto: los dos hilos corren y una fila del maestro llega al esclavo.
TEST_F(frmEsclavoTest, EsclavoDeVerdadConMaestroInalcanzableYLuegoElCorrecto) {
    PreparaMaestroYQXmirror();
    const std::string antes = LeeArchivo(Ini("QXmirror.ini"));
    const std::string puertoProducto = Proceso::BasesDD->cPuerto;

    auto w = Abre();
    LlenaCampos(*w, pruebas::PuertoLibre());
    cajas.respuestas = {rtqx5::vbYes};
    w->cmdProceder_Click();
    ASSERT_EQ(cajas.cajas.size(), 2u) << cajas.cajas.back().texto;
    EXPECT_EQ(cajas.cajas[0].texto, "Confirme si desea configurar servidor ESCLAVO");
    EXPECT_EQ(cajas.cajas[0].estilo, rtqx5::vbYesNo | rtqx5::vbQuestion | rtqx5::vbDefaultButton2);
    EXPECT_TRUE(cajas.cajas[1].texto.starts_with(
        "Proceso terminado\r\n\r\nCopia de respaldo: " + Ini("QXmirror.ini") + "."));
    EXPECT_EQ(cajas.cajas[1].titulo, "Configuración MAESTRO");
    EXPECT_EQ(cajas.cajas[1].estilo, rtqx5::vbInformation);
    std::string caja = Caja(*w);
    EXPECT_NE(caja.find("Replicación: lectura Connecting, aplicación Yes"), std::string::npos)
        << caja;
    EXPECT_NE(caja.find("Error de lectura: error connecting to master"), std::string::npos);
    EXPECT_TRUE(caja.ends_with("\nFin del proceso"));
    EXPECT_EQ(w->txtPorto->text().toStdString(), puertoEsclavo);
    EXPECT_EQ(Proceso::BasesDD->cPuerto, puertoProducto)
        << "el puerto vuelve a ser el del producto";
    EXPECT_FALSE(w->cmdProceder->isEnabled());

    // Las claves en [mysqld] de QXmirror.ini, sin las que este servidor
    // rechaza; lo demás, igual byte por byte (server-id=2 ya lo puso la
    // ventana de nueva instancia).
    const std::string despues = LeeArchivo(Ini("QXmirror.ini"));
    ASSERT_TRUE(despues.starts_with(antes.substr(0, antes.size() - 1))) << despues;
    const std::string agregadas = despues.substr(antes.size());
    EXPECT_EQ(agregadas, "log-bin=qxlog-bin\nreplicate-do-db=datos1\n"
                         "binlog-do-db=datos1\nexpire_logs_days=10\n"
                         "binlog-row-event-max-size=16777216\nmaster-retry-count=5000\n");
    EXPECT_EQ(Ajuste("Instancia ESCLAVO"), "QXmirror");
    EXPECT_EQ(Ajuste("Archivo INI"), Ini("QXmirror.ini"));
    const auto bitacora = Bitacora();
    ASSERT_EQ(bitacora.size(), 6u);
    EXPECT_TRUE(bitacora[0].starts_with("Copia de respaldo: " + Ini("QXmirror.ini") + "."));
    EXPECT_EQ(bitacora[1], "net stop QXmirror");
    EXPECT_EQ(bitacora[2], "net start QXmirror");
    EXPECT_EQ(bitacora[3], "stop slave");
    EXPECT_TRUE(bitacora[4].starts_with("CHANGE MASTER TO MASTER_HOST='127.0.0.1', MASTER_PORT="));
    EXPECT_TRUE(bitacora[4].ends_with(", MASTER_USER='usuariomirror', MASTER_PASSWORD='********'"));
    EXPECT_EQ(bitacora[5], "start slave");
    EXPECT_EQ(caja.find("cl'a"), std::string::npos) << "la clave nunca se muestra";

    // Otra vez, con el maestro correcto.
    w->close();
    w.reset();
    cajas.cajas.clear();
    w = Abre();
    EXPECT_EQ(w->txtDato[6]->text(), "QXmirror") << "la instancia guardada";
    EXPECT_EQ(w->txtElINI->text().toStdString(), Ini("QXmirror.ini"));
    EXPECT_EQ(w->txtDato[5]->text(), "2") << "leído de QXmirror.ini";
    LlenaCampos(*w, sandbox.Puerto());
    cajas.respuestas = {rtqx5::vbYes};
    w->cmdProceder_Click();
    ASSERT_EQ(cajas.cajas.size(), 2u) << cajas.cajas.back().texto;
    EXPECT_TRUE(cajas.cajas[1].texto.starts_with("Proceso terminado\r\n\r\nCopia de respaldo: "));
    caja = Caja(*w);
    EXPECT_NE(caja.find("Replicación: lectura Yes, aplicación Yes"), std::string::npos) << caja;
    EXPECT_EQ(caja.find("Error de"), std::string::npos) << caja;

    const auto estado = Consulta("SHOW SLAVE STATUS", puertoEsclavo);
    EXPECT_EQ(estado.Valor("Slave_IO_Running"), "Yes");
    EXPECT_EQ(estado.Valor("Slave_SQL_Running"), "Yes");
    EXPECT_EQ(estado.Valor("Master_User"), "usuariomirror");

    // Una venta en el maestro, con datos1 como base por omisión.
    rtqx5::Conexion maestro;
    ASSERT_TRUE(Conecta(maestro));
    maestro.Execute("USE datos1");
    maestro.Execute("INSERT INTO articulos VALUES (4, 'Agua natural 1 l', 12.00)");
    std::string llegadas;
    for (int i = 0; i < 100 && llegadas != "1"; ++i) {
        QTest::qWait(100);
        llegadas = Consulta("SELECT COUNT(*) FROM datos1.articulos WHERE id = 4", puertoEsclavo)
                       .filas.at(0)
                       .at(0);
    }
    EXPECT_EQ(llegadas, "1") << "la fila no llegó al esclavo en 10 s";
}

// Sin el archivo de la instancia no hay puerto: ninguna conexión a un puerto
// por omisión (ni "start slave" a otro servidor), y el puerto vuelve.
TEST_F(frmEsclavoTest, SinArchivoDeInstanciaNoSeConectaANingunServidor) {
    const std::string puertoProducto = Proceso::BasesDD->cPuerto;
    auto w = Abre();
    w->txtDato[1]->setText("127.0.0.1");
    w->txtDato[6]->setText("NoExiste");
    cajas.respuestas = {rtqx5::vbOK, rtqx5::vbYes};
    w->cmdProceder_Click();

    ASSERT_GE(cajas.cajas.size(), 4u);
    EXPECT_EQ(cajas.cajas[0].texto,
              "El archivo de instancia " + Ini("NoExiste.ini") + " no existe");
    EXPECT_EQ(cajas.cajas[0].titulo, "Error");
    EXPECT_EQ(cajas.cajas[0].estilo, rtqx5::vbCritical);
    EXPECT_TRUE(HayCaja("ERROR", "No pudo conectar a la instancia indicada"));
    EXPECT_EQ(cajas.cajas.back().estilo, rtqx5::vbExclamation);
    EXPECT_NE(cajas.cajas.back().texto.find("El proceso terminó con errores"), std::string::npos);
    EXPECT_EQ(Proceso::BasesDD->cPuerto, puertoProducto);
    EXPECT_TRUE(w->txtPorto->text().isEmpty());
    for (const auto& linea : Bitacora())
        EXPECT_EQ(linea.find("slave"), std::string::npos) << linea;
    EXPECT_TRUE(Consulta("SHOW SLAVE STATUS").filas.empty()) << "el servidor del producto, intacto";
    EXPECT_TRUE(Caja(*w).ends_with("\nFin del proceso"));
}

// Un servidor que aún lee master-host y compañía del archivo (MySQL 5.1) recibe
// las once claves, como las escribía el diseño. Aquí un mysqld que acepta todo
// al consultarlo hace de 5.1; el servidor real no arranca con ellas, y la
// corrida vuelve a la copia y lo dice en lugar de darse por buena.
TEST_F(frmEsclavoTest, ServidorQueAceptaLasOnceClavesLasRecibeEnOrden) {
    const fs::path mysqld = sandbox.MySQL() / "bin" / "mysqld";
    fs::rename(mysqld, mysqld.string() + ".real");
    pruebas::EscribeArchivo(mysqld, "#!/bin/bash\nfor a; do [ \"$a\" = --help ] && exit 0; done\n"
                                    "exec " +
                                        Comillas(mysqld.string() + ".real") + " \"$@\"\n");
    fs::permissions(mysqld, fs::perms::owner_all);
    fs::copy_file(MyIni(), Ini("MySQL.ini"));
    const std::string antes = LeeArchivo(MyIni());

    auto w = Abre();
    w->txtDato[1]->setText("127.0.0.1");
    cajas.respuestas = {rtqx5::vbYes};
    w->cmdProceder_Click();

    // El servidor no arrancó con ellas: my.ini vuelve a ser la copia.
    EXPECT_EQ(LeeArchivo(MyIni()), antes);
    const auto bitacora = Bitacora();
    ASSERT_GE(bitacora.size(), 5u);
    EXPECT_EQ(bitacora[1], "net stop MySQL");
    EXPECT_EQ(bitacora[2], "net start MySQL");
    EXPECT_TRUE(bitacora[3].starts_with("Se restauró «" + MyIni() + "» desde «")) << bitacora[3];
    EXPECT_EQ(bitacora[4], "net start MySQL");
    const auto& aviso = cajas.cajas.back();
    EXPECT_EQ(aviso.estilo, rtqx5::vbExclamation);
    EXPECT_NE(aviso.texto.find("El comando «net start MySQL» terminó con el código 2"),
              std::string::npos)
        << aviso.texto;
    EXPECT_NE(aviso.texto.find("No arrancó con los cambios; se restauró «" + MyIni()),
              std::string::npos)
        << aviso.texto;
    EXPECT_NE(Caja(*w).find("unknown variable 'master-host=127.0.0.1'"), std::string::npos)
        << Caja(*w);
}

// Lo que el servidor rechaza se muestra con su propio mensaje, no con el de una
// cuenta que ya existe.
TEST_F(frmEsclavoTest, SentenciaRechazadaMuestraElMensajeDelServidor) {
    Consulta("CREATE USER 'cajero'@'127.0.0.1' IDENTIFIED BY 'caja'");
    fs::copy_file(MyIni(), Ini("MySQL.ini"));
    Proceso::BasesDD->cUsuario = "cajero";
    Proceso::BasesDD->cPassword = "caja";

    auto w = Abre();
    w->txtDato[1]->setText("127.0.0.1");
    cajas.respuestas = {rtqx5::vbYes};
    w->cmdProceder_Click();

    int alertas = 0;
    for (const auto& c : cajas.cajas) {
        EXPECT_EQ(c.texto.find("El usuario ya existe"), std::string::npos);
        if (c.titulo == "Alerta") {
            ++alertas;
            EXPECT_EQ(c.estilo, rtqx5::vbInformation);
            EXPECT_NE(c.texto.find("Access denied; you need"), std::string::npos) << c.texto;
        }
    }
    EXPECT_GE(alertas, 2) << "CHANGE MASTER y start slave";
    EXPECT_NE(cajas.cajas.back().texto.find("El servidor rechazó CHANGE MASTER TO: Access denied"),
              std::string::npos)
        << cajas.cajas.back().texto;
}

// Los ajustes al abrir por primera vez, lo leído de my.ini y las reglas de los
// campos; un campo vacío o la respuesta No no cambian nada.
TEST_F(frmEsclavoTest, AjustesCamposYCorridasQueNoCambianNada) {
    rtqx5::libRTSA lib;
    lib.EscribeIni("mysqld", "replicate-do-db", "Datos1", MyIni());
    lib.EscribeIni("mysqld", "server-id", "5", MyIni());
    auto w = Abre();
    EXPECT_TRUE(cajas.cajas.empty());
    EXPECT_EQ(Ajuste("Instancia ESCLAVO"), "MySQL");
    EXPECT_EQ(Ajuste("Archivo INI"), RutaMySQL() + "/my.ini");
    EXPECT_EQ(w->txtDato[6]->text(), "MySQL");
    EXPECT_EQ(w->txtElINI->text().toStdString(), RutaMySQL() + "/my.ini");
    EXPECT_EQ(w->txtDato[8]->text(), "datos1");
    EXPECT_EQ(w->txtDato[5]->text(), "5");
    EXPECT_EQ(w->txtDato[7]->text(), "3306") << "sin master-port";
    EXPECT_EQ(w->txtDato[1]->text(), "IP del servidor");
    EXPECT_EQ(w->txtDato[2]->echoMode(), QLineEdit::Normal);
    EXPECT_TRUE(w->txtPorto->isReadOnly());
    EXPECT_EQ(OrdenTabulacion(w->txtElINI),
              "txtElINI txtDato_1 txtDato_0 txtDato_2 txtDato_7 txtDato_8 txtDato_3 txtDato_4 "
              "txtDato_5 txtDato_6 txtDato_9 cmdProceder");

    // Solo dígitos, con su largo, en los campos 4, 5, 7 y 9.
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    const std::pair<int, QString> numericos[] = {{4, QStringLiteral("12")},
                                                 {5, QStringLiteral("12")},
                                                 {7, QStringLiteral("12345")},
                                                 {9, QStringLiteral("1234")}};
    for (const auto& [indice, esperado] : numericos) {
        QLineEdit* campo = w->txtDato[indice];
        campo->setFocus();
        campo->clear();
        QTest::keyClicks(campo, "1a2b3-4 5 6");
        EXPECT_EQ(campo->text(), esperado) << "campo " << indice;
        EXPECT_EQ(campo->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
    }
    w->txtDato[4]->setText("10");

    // Un campo vacío: después de los avisos de archivos (la instancia "MySQL"
    // tiene my.ini, no MySQL.ini), nada.
    const std::string myIniAntes = LeeArchivo(MyIni());
    w->txtDato[2]->setText("   ");
    const int pitidos = cajas.pitidos;
    w->cmdProceder_Click();
    ASSERT_EQ(cajas.cajas.size(), 1u);
    EXPECT_EQ(cajas.cajas[0].texto, "El archivo de instancia " + Ini("MySQL.ini") + " no existe");
    EXPECT_EQ(cajas.pitidos, pitidos + 1);
    EXPECT_TRUE(w->txtPorto->text().isEmpty());
    cajas.cajas.clear();

    // No: solo "Proceso cancelado".
    w->txtDato[2]->setText("clave");
    w->txtDato[6]->setText("Otra");
    cajas.respuestas = {rtqx5::vbOK, rtqx5::vbNo};
    w->cmdProceder_Click();
    ASSERT_EQ(cajas.cajas.size(), 2u);
    EXPECT_EQ(cajas.cajas[0].texto, "El archivo de instancia " + Ini("Otra.ini") + " no existe");
    EXPECT_EQ(cajas.cajas[1].titulo, "Confirmación requerida");
    EXPECT_EQ(Caja(*w), "\nVerificando Datos de la configuración ...\nProceso cancelado");
    EXPECT_TRUE(w->cmdProceder->isEnabled());
    EXPECT_EQ(LeeArchivo(MyIni()), myIniAntes);
    EXPECT_EQ(Ajuste("Instancia ESCLAVO"), "MySQL");
    EXPECT_TRUE(Bitacora().empty());
}

} // namespace
