// La ventana del esclavo contra dos servidores reales de su propio entorno de
// prueba: el servicio "MySQL" como maestro y una segunda instancia QXmirror
// con una copia de datos1, hechos con las ventanas del maestro y de nueva
// instancia. La replicación se prueba con una fila que llega.
#include "ReplicaPrueba.h"
#include "frmEsclavo.h"
#include "frmInstancia.h"
#include "frmMaestro.h"

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
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

class frmEsclavoTest : public EntornoReplica {
protected:
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

    // Lo que hace el técnico antes: QXmirror, el maestro (la cuenta de
    // replicación con una clave que lleva comilla, diagonal y "#") y, justo
    // tras el reinicio del maestro y antes de cualquier escritura, la copia de
    // datos1.
    void PreparaMaestroYQXmirror() {
        ASSERT_NO_FATAL_FAILURE(CreaQXmirror());
        ASSERT_NO_FATAL_FAILURE(CorreMaestro(kClave));
        ASSERT_NO_FATAL_FAILURE(CopiaDatos1());
        cajas.cajas.clear();
        // Los avisos de arriba y su bitácora no cuentan para el esclavo.
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
        // El identificador leído del my.ini del maestro no se queda: el de diseño.
        EXPECT_EQ(w.txtDato[5]->text(), "2");
    }

    // Proceder con Sí, que termina bien con los dos hilos corriendo; la
    // bitácora empieza con esta corrida.
    void Procede(frmEsclavo& w) {
        fs::remove(sandbox.Programa() / "BitacoraReplicacionTesal.txt");
        cajas.cajas.clear();
        cajas.respuestas = {rtqx5::vbYes};
        w.cmdProceder_Click();
        ASSERT_EQ(cajas.cajas.size(), 2u) << cajas.cajas.back().texto;
        EXPECT_TRUE(
            cajas.cajas[1].texto.starts_with("Proceso terminado\r\n\r\nCopia de respaldo: "))
            << cajas.cajas[1].texto << Caja(w);
        EXPECT_NE(Caja(w).find("Replicación: lectura Yes, aplicación Yes"), std::string::npos)
            << Caja(w);
    }

    // Una venta en el maestro, con datos1 como base por omisión: llega al
    // esclavo y ambos tienen las mismas filas (ninguna doble).
    void Vende(int id) {
        rtqx5::Conexion maestro;
        ASSERT_TRUE(Conecta(maestro));
        maestro.Execute("USE datos1");
        maestro.Execute("INSERT INTO articulos VALUES (" + std::to_string(id) +
                        ", 'Agua natural 1 l', 12.00)");
        const std::string cuenta = "SELECT COUNT(*), SUM(id) FROM datos1.articulos";
        const auto enMaestro = Consulta(cuenta).filas.at(0);
        std::vector<std::string> enEsclavo;
        for (int i = 0; i < 100 && enEsclavo != enMaestro; ++i) {
            QTest::qWait(100);
            enEsclavo = Consulta(cuenta, puertoEsclavo).filas.at(0);
        }
        EXPECT_EQ(enEsclavo, enMaestro) << "la fila " << id << " no llegó al esclavo en 10 s";
        const auto estado = Consulta("SHOW SLAVE STATUS", puertoEsclavo);
        EXPECT_EQ(estado.Valor("Slave_IO_Running"), "Yes");
        EXPECT_EQ(estado.Valor("Slave_SQL_Running"), "Yes") << estado.Valor("Last_SQL_Error");
    }
};

// Antes de cambiar nada, un maestro que no contesta y uno con el mismo
// identificador se rechazan; luego la réplica se hace (un cambio de foco a
// media corrida no cambia nada) y una fila llega. Después, como lo haría el
// técnico: el maestro otra vez y el esclavo otra vez sin tocar nada (ninguna
// fila doble); la clave nueva de la cuenta por ambas ventanas; y, con un
// servidor que aún lee master-host del archivo, las claves en el archivo y
// nada más cuando la instancia no arranca con ellas.
TEST_F(frmEsclavoTest, EsclavoDeVerdadRevisaElMaestroYSeVuelveACorrerSinRomperse) {
    PreparaMaestroYQXmirror();
    const std::string antes = LeeArchivo(Ini("QXmirror.ini"));
    const std::string puertoProducto = Proceso::BasesDD->cPuerto;

    auto w = Abre();
    LlenaCampos(*w, pruebas::PuertoLibre());
    const auto rechazada = [&](const std::string& texto) {
        cajas.cajas.clear();
        cajas.respuestas = {rtqx5::vbYes};
        w->cmdProceder_Click();
        ASSERT_EQ(cajas.cajas.size(), 2u) << cajas.cajas.back().texto;
        EXPECT_EQ(cajas.cajas[0].texto, "Confirme si desea configurar servidor ESCLAVO");
        EXPECT_EQ(cajas.cajas[1].estilo, rtqx5::vbCritical);
        EXPECT_NE(cajas.cajas[1].texto.find(texto), std::string::npos) << cajas.cajas[1].texto;
        EXPECT_EQ(LeeArchivo(Ini("QXmirror.ini")), antes);
        EXPECT_EQ(Ajuste("Instancia ESCLAVO"), "MySQL");
        EXPECT_TRUE(Bitacora().empty());
        EXPECT_TRUE(w->cmdProceder->isEnabled());
        EXPECT_TRUE(w->txtDato[5]->isEnabled()) << "los campos vuelven tras la corrida";
    };
    rechazada("no contestó: revise la dirección y el puerto");
    w->txtDato[7]->setText(QString::fromStdString(sandbox.Puerto()));
    w->txtDato[5]->setText("1");
    rechazada("tiene el mismo identificador (1) que el campo «Identificación del servidor»");
    w->txtDato[2]->setText("otra");
    w->txtDato[5]->setText("2");
    rechazada("rechazó la cuenta «usuariomirror»");
    w->txtDato[2]->setText(QString::fromStdString(kClave));

    // A media corrida (tras la confirmación) el técnico cambia la ruta y deja
    // el campo: nada de eso cuenta.
    cajas.cajas.clear();
    bool bloqueado = false;
    QTimer cambio;
    QObject::connect(&cambio, &QTimer::timeout, [&] {
        if (w->cmdProceder->isEnabled())
            return;
        cambio.stop();
        bloqueado = !w->txtElINI->isEnabled() && !w->txtDato[6]->isEnabled();
        w->txtElINI->setText(QString::fromStdString(MyIni()));
        w->txtElINI->setFocus();
        w->txtDato[3]->setFocus();
    });
    cambio.start(20);
    cajas.respuestas = {rtqx5::vbYes};
    w->cmdProceder_Click();
    EXPECT_TRUE(bloqueado);
    ASSERT_EQ(cajas.cajas.size(), 2u) << cajas.cajas.back().texto;
    EXPECT_TRUE(cajas.cajas[1].texto.starts_with(
        "Proceso terminado\r\n\r\nCopia de respaldo: " + Ini("QXmirror.ini") + "."))
        << cajas.cajas[1].texto;
    EXPECT_EQ(cajas.cajas[1].titulo, "Configuración MAESTRO");
    EXPECT_EQ(w->RutaIni.toStdString(), Ini("QXmirror.ini"));
    EXPECT_EQ(Ajuste("Archivo INI"), Ini("QXmirror.ini"));
    EXPECT_EQ(Ajuste("Instancia ESCLAVO"), "QXmirror");
    std::string caja = Caja(*w);
    EXPECT_NE(caja.find("Replicación: lectura Yes, aplicación Yes"), std::string::npos) << caja;
    EXPECT_TRUE(caja.ends_with("\nFin del proceso"));
    EXPECT_EQ(caja.find("cl'a"), std::string::npos) << "la clave nunca se muestra";
    EXPECT_EQ(w->txtPorto->text().toStdString(), puertoEsclavo);
    EXPECT_EQ(Proceso::BasesDD->cPuerto, puertoProducto);

    // Las claves en [mysqld] de QXmirror.ini, sin las que este servidor
    // rechaza; lo demás, igual byte por byte (server-id=2 ya lo puso la
    // ventana de nueva instancia).
    const std::string despues = LeeArchivo(Ini("QXmirror.ini"));
    ASSERT_TRUE(despues.starts_with(antes.substr(0, antes.size() - 1))) << despues;
    EXPECT_EQ(despues.substr(antes.size()),
              "log-bin=qxlog-bin\nreplicate-do-db=datos1\n"
              "binlog-do-db=datos1\nexpire_logs_days=10\n"
              "binlog-row-event-max-size=16777216\nmaster-retry-count=5000\n");
    auto bitacora = Bitacora();
    ASSERT_EQ(bitacora.size(), 6u);
    EXPECT_TRUE(bitacora[0].starts_with("Copia de respaldo: " + Ini("QXmirror.ini") + "."));
    EXPECT_EQ(bitacora[1], "net stop QXmirror");
    EXPECT_EQ(bitacora[2], "net start QXmirror");
    EXPECT_EQ(bitacora[3], "stop slave");
    EXPECT_EQ(bitacora[4],
              "CHANGE MASTER TO MASTER_HOST='127.0.0.1', MASTER_PORT=" + sandbox.Puerto() +
                  ", MASTER_USER='usuariomirror', MASTER_PASSWORD='********'");
    EXPECT_EQ(bitacora[5], "start slave");
    EXPECT_EQ(Consulta("SHOW SLAVE STATUS", puertoEsclavo).Valor("Master_User"), "usuariomirror");
    Vende(4);

    // El maestro otra vez, y el esclavo otra vez tal como se abre.
    CorreMaestro(kClave);
    w->close();
    w = Abre();
    EXPECT_EQ(w->txtDato[1]->text(), "127.0.0.1") << "la replicación en uso";
    EXPECT_EQ(w->txtDato[7]->text().toStdString(), sandbox.Puerto());
    EXPECT_EQ(w->txtDato[0]->text(), "usuariomirror");
    const std::string archivo = LeeArchivo(Ini("QXmirror.ini"));
    Procede(*w);
    EXPECT_EQ(LeeArchivo(Ini("QXmirror.ini")), archivo);
    bitacora = Bitacora();
    ASSERT_EQ(bitacora.size(), 4u);
    EXPECT_EQ(bitacora[3], "start slave") << "ningún CHANGE MASTER";
    Vende(5);

    // La clave nueva por el maestro, luego al esclavo: solo la clave cambia.
    const std::string kClave2 = "nueva\"clave";
    CorreMaestro(kClave2);
    w->close();
    w = Abre();
    w->txtDato[2]->setText(QString::fromStdString(kClave2));
    Procede(*w);
    bitacora = Bitacora();
    ASSERT_EQ(bitacora.size(), 6u);
    EXPECT_EQ(bitacora[4], "CHANGE MASTER TO MASTER_PASSWORD='********'");
    Vende(6);

    // Una fila que el esclavo ya tiene detiene la aplicación: la corrida lo
    // dice, con el error del servidor, en el aviso final.
    Consulta("INSERT INTO datos1.articulos VALUES (7, 'Sal', 1.00)", puertoEsclavo);
    {
        rtqx5::Conexion maestro;
        ASSERT_TRUE(Conecta(maestro));
        maestro.Execute("USE datos1");
        maestro.Execute("INSERT INTO articulos VALUES (7, 'Sal', 1.00)");
    }
    w->close();
    w = Abre();
    cajas.cajas.clear();
    cajas.respuestas = {rtqx5::vbYes};
    w->cmdProceder_Click();
    ASSERT_EQ(cajas.cajas.size(), 2u);
    EXPECT_EQ(cajas.cajas[1].estilo, rtqx5::vbExclamation);
    EXPECT_NE(cajas.cajas[1].texto.find("La replicación no corre (lectura Yes, aplicación No); "
                                        "error de aplicación: "),
              std::string::npos)
        << cajas.cajas[1].texto;
    EXPECT_NE(cajas.cajas[1].texto.find("Duplicate entry '7'"), std::string::npos);

    // Un servidor que aún lee master-host y compañía del archivo (MySQL 5.1;
    // aquí un mysqld que acepta todo al consultarlo): las claves van al
    // archivo en su orden; el servidor real no arranca con ellas, y entonces
    // no hay conexión ni CHANGE MASTER.
    const fs::path mysqld = sandbox.MySQL() / "bin" / "mysqld";
    fs::rename(mysqld, mysqld.string() + ".real");
    pruebas::EscribeArchivo(mysqld, "#!/bin/bash\nfor a; do [ \"$a\" = --help ] && exit 0; done\n"
                                    "exec " +
                                        Comillas(mysqld.string() + ".real") + " \"$@\"\n");
    fs::permissions(mysqld, fs::perms::owner_all);
    const std::string previo = LeeArchivo(Ini("QXmirror.ini"));
    w->close();
    w = Abre();
    w->txtDato[2]->setText(QString::fromStdString(kClave2));
    fs::remove(sandbox.Programa() / "BitacoraReplicacionTesal.txt");
    cajas.cajas.clear();
    cajas.respuestas = {rtqx5::vbYes};
    w->cmdProceder_Click();
    // El servidor no arrancó con ellas: el archivo vuelve a ser la copia y la
    // instancia corre con él; no hay conexión ni CHANGE MASTER.
    EXPECT_EQ(LeeArchivo(Ini("QXmirror.ini")), previo);
    bitacora = Bitacora();
    ASSERT_EQ(bitacora.size(), 5u);
    EXPECT_EQ(bitacora[2], "net start QXmirror");
    EXPECT_TRUE(bitacora[3].starts_with("Se restauró «" + Ini("QXmirror.ini") + "» desde «"))
        << bitacora[3];
    EXPECT_EQ(bitacora[4], "net start QXmirror");
    EXPECT_FALSE(HayCaja("ERROR")) << "ninguna conexión tras el arranque fallido";
    const auto& aviso = cajas.cajas.back();
    EXPECT_NE(aviso.texto.find("No arrancó con los cambios; se restauró «" + Ini("QXmirror.ini")),
              std::string::npos)
        << aviso.texto;
    EXPECT_NE(Caja(*w).find("unknown variable 'master-host=127.0.0.1'"), std::string::npos)
        << Caja(*w);
    EXPECT_EQ(Consulta("SELECT 1", puertoEsclavo).filas.size(), 1u) << "la instancia corre";
}

// La instancia se revisa antes de cambiar nada: sin su archivo no hay puerto
// (ninguna conexión a un puerto por omisión), y una cuenta del producto que no
// puede leer el estado de esclavo lo dice con el mensaje del servidor. En
// ambos casos nada cambia y Proceder vuelve.
TEST_F(frmEsclavoTest, LaInstanciaSeRevisaAntesDeCambiarNada) {
    const std::string puertoProducto = Proceso::BasesDD->cPuerto;
    const std::string myIni = LeeArchivo(MyIni());
    auto w = Abre();
    w->txtDato[1]->setText("127.0.0.1");
    w->txtDato[6]->setText("NoExiste");
    cajas.respuestas = {rtqx5::vbOK, rtqx5::vbYes};
    w->cmdProceder_Click();

    ASSERT_EQ(cajas.cajas.size(), 3u) << cajas.cajas.back().texto;
    EXPECT_EQ(cajas.cajas[0].texto,
              "El archivo de instancia " + Ini("NoExiste.ini") + " no existe");
    EXPECT_EQ(cajas.cajas[0].titulo, "Error");
    EXPECT_EQ(cajas.cajas[2].titulo, "ERROR");
    EXPECT_EQ(cajas.cajas[2].estilo, rtqx5::vbCritical);
    EXPECT_EQ(cajas.cajas[2].texto,
              "No pudo conectar a la instancia indicada (NoExiste): no se conoce su puerto porque "
              "no existe su archivo «" +
                  Ini("NoExiste.ini") + "»");
    EXPECT_EQ(Proceso::BasesDD->cPuerto, puertoProducto);
    EXPECT_TRUE(w->txtPorto->text().isEmpty());
    EXPECT_TRUE(w->cmdProceder->isEnabled());
    EXPECT_TRUE(Bitacora().empty());
    EXPECT_EQ(Ajuste("Instancia ESCLAVO"), "MySQL");
    EXPECT_EQ(LeeArchivo(MyIni()), myIni);

    // Un maestro sin registro binario (este mismo servidor, con root).
    fs::copy_file(MyIni(), Ini("MySQL.ini"));
    w->txtDato[6]->setText("MySQL");
    w->txtDato[7]->setText(QString::fromStdString(sandbox.Puerto()));
    w->txtDato[0]->setText("root");
    w->txtDato[2]->setText(QString::fromStdString(sandbox.ClaveRoot()));
    w->txtDato[5]->setText("99");
    // Un usuario que la instancia guardaría como «root?» en su master.info.
    w->txtDato[0]->setText(QString::fromUtf8("root\xF0\x9F\x98\x80"));
    cajas.cajas.clear();
    cajas.respuestas = {rtqx5::vbYes};
    w->cmdProceder_Click();
    ASSERT_EQ(cajas.cajas.size(), 2u) << cajas.cajas.back().texto;
    EXPECT_TRUE(cajas.cajas[1].texto.starts_with("El campo «Usuario:» tiene un carácter «"))
        << cajas.cajas[1].texto;
    EXPECT_TRUE(Bitacora().empty());
    EXPECT_TRUE(w->cmdProceder->isEnabled());
    w->txtDato[0]->setText("root");
    cajas.cajas.clear();
    cajas.respuestas = {rtqx5::vbYes};
    w->cmdProceder_Click();
    ASSERT_EQ(cajas.cajas.size(), 2u) << cajas.cajas.back().texto;
    EXPECT_NE(cajas.cajas[1].texto.find("no tiene el registro binario activo: configure primero el "
                                        "servidor MAESTRO."),
              std::string::npos)
        << cajas.cajas[1].texto;
    EXPECT_TRUE(Bitacora().empty());
    EXPECT_EQ(LeeArchivo(MyIni()), myIni);

    Consulta("CREATE USER 'cajero'@'127.0.0.1' IDENTIFIED BY 'caja'");
    Proceso::BasesDD->cUsuario = "cajero";
    Proceso::BasesDD->cPassword = "caja";
    cajas.cajas.clear();
    cajas.respuestas = {rtqx5::vbYes};
    w->cmdProceder_Click();
    ASSERT_EQ(cajas.cajas.size(), 2u) << cajas.cajas.back().texto;
    EXPECT_EQ(cajas.cajas[1].titulo, "ERROR");
    EXPECT_TRUE(cajas.cajas[1].texto.starts_with(
        "No se pudo leer el estado de esclavo de la instancia MySQL: Access denied; you need"))
        << cajas.cajas[1].texto;
    EXPECT_TRUE(Bitacora().empty());
    EXPECT_EQ(LeeArchivo(MyIni()), myIni);
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
              "txtDato_5 txtDato_6 txtDato_9 chkCopia cmdProceder");

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

    // Valores que no pueden llegar al servidor ni al archivo: cada uno se
    // rechaza con un cuadro que nombra el campo, y el pitido.
    const struct {
        int indice;
        std::string valor;
        std::string campo;
    } hostiles[] = {
        {0, "usuario\nmirror", "Usuario:"},
        {2, "clave\r\nmirror", "Contraseña:"},
        {1, "127.0.0.1\tx", "Dirección:"},
        {1, std::string("127.0.0.1\0x", 11), "Dirección:"},
        {4, "1\n", "Días de expiración para archivos LOG:"},
        {0, std::string(33, 'u'), "Usuario:"},
        {1, std::string(61, 'h'), "Dirección:"},
        {8, std::string(65, 'd'), "Base de datos a replicar:"},
        {6, "../x", "Nombre de la instancia usada:"},
        {6, "..", "Nombre de la instancia usada:"},
        {7, "0", "Puerto:"},
        {7, "70000", "Puerto:"},
    };
    for (const auto& h : hostiles) {
        cajas.cajas.clear();
        const int antes = cajas.pitidos;
        w->txtDato[h.indice]->setText(QString::fromStdString(h.valor));
        bool Cancel = false;
        w->txtDato_Validate(h.indice, Cancel);
        EXPECT_TRUE(Cancel) << h.campo;
        EXPECT_EQ(cajas.pitidos, antes + 1);
        ASSERT_EQ(cajas.cajas.size(), 1u) << h.campo;
        EXPECT_TRUE(cajas.cajas[0].texto.starts_with("El campo «" + h.campo + "» "))
            << cajas.cajas[0].texto;
        EXPECT_EQ(cajas.cajas[0].estilo, rtqx5::vbCritical);
    }
    // Los buenos vuelven a pasar.
    for (const auto& [indice, valor] :
         std::vector<std::pair<int, QString>>{{0, "usuariomirror"},
                                              {1, "127.0.0.1"},
                                              {2, "clave"},
                                              {3, "qxlog-bin"},
                                              {4, "10"},
                                              {6, "MySQL"},
                                              {7, "65535"},
                                              {8, QString(64, QLatin1Char('d'))}}) {
        w->txtDato[indice]->setText(valor);
        bool Cancel = true;
        w->txtDato_Validate(indice, Cancel);
        EXPECT_FALSE(Cancel) << indice;
    }
    w->txtDato[7]->setText("3306");

    // Al dejar el campo con el tabulador, el foco se queda.
    cajas.cajas.clear();
    w->txtDato[0]->setFocus();
    w->txtDato[0]->setText("usuario\nmirror");
    QTest::keyClick(w->txtDato[0], Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), w->txtDato[0]);
    EXPECT_TRUE(HayCaja("Error", "El campo «Usuario:» contiene un salto de línea"));
    w->txtDato[0]->setText("usuariomirror");

    // Los campos de la cuenta en la ventana del maestro, igual.
    frmMaestro maestro;
    Muestra(maestro);
    for (const auto& [indice, valor, campo] :
         {std::tuple<int, std::string, std::string>{0, "usuario\nmirror", "Usuario:"},
          {1, std::string(61, 'h'), "Dirección:"},
          {2, "clave\tx", "Contraseña:"}}) {
        cajas.cajas.clear();
        maestro.txtDato[indice]->setText(QString::fromStdString(valor));
        bool Cancel = false;
        maestro.txtDato_Validate(indice, Cancel);
        EXPECT_TRUE(Cancel && HayCaja("Error", "El campo «" + campo + "» ")) << campo;
    }
    maestro.close();

    // Una base de datos que haría de la línea de la clave otras opciones:
    // rechazada por Proceder, sin pregunta y sin cambiar nada.
    cajas.cajas.clear();
    w->txtDato[8]->setText(QString(4078, QLatin1Char('d')) +
                           QStringLiteral(";;;skip-grant-tables"));
    cajas.respuestas = {rtqx5::vbOK, rtqx5::vbOK, rtqx5::vbYes};
    w->cmdProceder_Click();
    EXPECT_TRUE(
        HayCaja("Error", "El campo «Base de datos a replicar:» tiene más de 64 caracteres"));
    EXPECT_FALSE(HayCaja("Confirmación requerida"));
    EXPECT_EQ(LeeArchivo(MyIni()), myIniAntes);
    EXPECT_TRUE(Bitacora().empty());
}

} // namespace
