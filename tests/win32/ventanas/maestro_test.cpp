// La ventana del maestro en Windows, por el cliente de MariaDB para Windows,
// contra el MariaDB de las pruebas del lado de Linux.
#include "MundoWindows.h"
#include "frmMaestro.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace {

class MaestroWindowsServidor : public MundoWindows {};

// Lista las bases "datos…" y, con "Proceder", crea la cuenta de replicación
// (la lee de vuelta, con su permiso, la prueba de Linux CuentaDesdeLinux). Aquí
// no hay servicio "MySQL" que detener: el aviso final lo dice por su nombre y
// el servidor sigue contestando.
TEST_F(MaestroWindowsServidor, ListaLasBasesYCreaLaCuentaPorElClienteDeWindows) {
    ASSERT_NO_FATAL_FAILURE(Arma(true));
    frmMaestro w;
    Muestra(w);
    ASSERT_TRUE(cajas.cajas.empty()) << cajas.cajas.front().texto;
    ASSERT_EQ(w.lstBdeDs->count(), 2);
    EXPECT_EQ(w.lstBdeDs->item(0)->text(), "datos1");
    EXPECT_EQ(w.lstBdeDs->item(1)->text(), "datos2");
    EXPECT_EQ(w.txtElINI->text().toStdString(), mysql.string() + "\\my.ini");

    w.txtDato[0]->setText("usuariowin");
    w.txtDato[1]->setText("127.0.0.1");
    w.txtDato[2]->setText(QStringLiteral("claveñ#1"));
    cajas.respuestas = {rtqx5::vbYes};
    w.cmdProceder_Click();

    ASSERT_GE(cajas.cajas.size(), 2u);
    EXPECT_EQ(cajas.cajas[0].texto, "Confirme si desea configurar servidor MAESTRO");
    const std::string final = cajas.cajas.back().texto;
    EXPECT_NE(final.find("MySQL"), std::string::npos) << final;
    EXPECT_EQ(final.find("claveñ#1"), std::string::npos) << final;

    rtqx5::Conexion cuenta;
    EXPECT_TRUE(Conecta(cuenta, "usuariowin", "claveñ#1"));
    rtqx5::Conexion root;
    ASSERT_TRUE(Conecta(root));
    EXPECT_EQ(root.Execute("SELECT 1").at(0), "1") << "el servidor sigue contestando";
}

} // namespace
