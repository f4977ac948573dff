// La ventana del maestro cuando la cuenta del producto no entra, y los valores
// que sus campos rechazan, contra el servidor de su propio entorno de prueba.
#include "EntornoProcedimiento.h"
#include "frmMaestro.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace {

using pruebas::LeeArchivo;

class frmMaestroConexionTest : public EntornoProcedimiento {};

// Con una contraseña del producto equivocada, la carga y Proceder dicen que no
// hubo conexión y por qué, en lugar de una lista vacía; nada cambia. Los
// valores que no pueden llegar al servidor se rechazan nombrando el campo.
TEST_F(frmMaestroConexionTest, SinConexionLoDiceYLosValoresHostilesSeRechazan) {
    const std::string myIni = LeeArchivo(MyIni());
    Proceso::BasesDD->cPassword = "equivocada";
    const std::string esperado = "No pudo conectar al servidor " + Proceso::BasesDD->cRuta + ":" +
                                 sandbox.Puerto() + " : Access denied for user";
    frmMaestro w;
    Muestra(w);
    ASSERT_EQ(cajas.cajas.size(), 1u);
    EXPECT_TRUE(cajas.cajas[0].texto.starts_with(esperado)) << cajas.cajas[0].texto;
    EXPECT_EQ(cajas.cajas[0].estilo, rtqx5::vbCritical);
    EXPECT_EQ(w.lstBdeDs->count(), 0);

    cajas.cajas.clear();
    w.txtDato[1]->setText("127.0.0.1");
    cajas.respuestas = {rtqx5::vbYes};
    w.cmdProceder_Click();
    ASSERT_EQ(cajas.cajas.size(), 1u) << cajas.cajas.back().texto;
    EXPECT_TRUE(cajas.cajas[0].texto.starts_with(esperado)) << cajas.cajas[0].texto;
    EXPECT_TRUE(w.cmdProceder->isEnabled());
    EXPECT_EQ(LeeArchivo(MyIni()), myIni);
    EXPECT_TRUE(Bitacora().empty());

    const struct {
        int indice;
        std::string valor;
        std::string campo;
    } hostiles[] = {
        {0, "usuario\nmirror", "Usuario:"},
        {1, "127.0.0.1\r", "Dirección:"},
        {2, "clave\tx", "Contraseña:"},
        {6, std::string("MySQL\0", 6), "Nombre de la instancia MAESTRA:"},
        {0, std::string(33, 'u'), "Usuario:"},
        {1, std::string(61, 'h'), "Dirección:"},
        {2, std::string(33, 'c'), "Contraseña:"},
    };
    for (const auto& h : hostiles) {
        cajas.cajas.clear();
        w.txtDato[h.indice]->setText(QString::fromStdString(h.valor));
        bool Cancel = false;
        w.txtDato_Validate(h.indice, Cancel);
        EXPECT_TRUE(Cancel) << h.campo;
        ASSERT_EQ(cajas.cajas.size(), 1u) << h.campo;
        EXPECT_TRUE(cajas.cajas[0].texto.starts_with("El campo «" + h.campo + "» "))
            << cajas.cajas[0].texto;
    }
}

} // namespace
