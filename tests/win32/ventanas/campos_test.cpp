// Las reglas de los campos de las tres ventanas de procedimiento en Windows:
// cada valor que no sirve se rechaza al dejar el campo con un pitido y un
// cuadro crítico que nombra el campo; los que sirven pasan. Con rutas y
// nombres de Windows (unidad, "\", nombres de dispositivo).
#include "MundoWindows.h"
#include "frmEsclavo.h"
#include "frmInstancia.h"
#include "frmMaestro.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <functional>

namespace {

class CamposWindows : public MundoWindows {
protected:
    struct Caso {
        int campo;
        QString valor;
        std::string motivo; // "" : el valor sirve
    };

    // Pone cada valor en su campo y lo deja; `pon` escribe el campo y
    // `nombre` dice cómo lo nombra el cuadro.
    template <class Ventana>
    void Revisa(Ventana& w, const std::vector<Caso>& casos,
                const std::function<void(int, const QString&)>& pon,
                const std::function<std::string(int)>& nombre) {
        for (const auto& c : casos) {
            SCOPED_TRACE(std::to_string(c.campo) + ": " + c.valor.left(60).toStdString());
            cajas.cajas.clear();
            const int pitidos = cajas.pitidos;
            pon(c.campo, c.valor);
            bool Cancel = false;
            w.txtDato_Validate(c.campo, Cancel);
            if (c.motivo.empty()) {
                EXPECT_FALSE(Cancel);
                EXPECT_TRUE(cajas.cajas.empty()) << cajas.cajas.front().texto;
                continue;
            }
            EXPECT_TRUE(Cancel);
            EXPECT_EQ(cajas.pitidos, pitidos + 1);
            ASSERT_EQ(cajas.cajas.size(), 1u);
            EXPECT_EQ(cajas.cajas[0].estilo, rtqx5::vbCritical);
            EXPECT_TRUE(cajas.cajas[0].texto.starts_with("El campo «" + nombre(c.campo) + "» "))
                << cajas.cajas[0].texto;
            EXPECT_NE(cajas.cajas[0].texto.find(c.motivo), std::string::npos)
                << cajas.cajas[0].texto;
        }
    }
};

const std::string kControles = "contiene un salto de línea, un tabulador u otro carácter";

TEST_F(CamposWindows, NuevaInstancia) {
    ASSERT_NO_FATAL_FAILURE(Arma(false));
    frmInstancia w;
    Muestra(w);
    const QString datos = QString::fromStdString(carpeta.Ruta().string()) + "\\Datos MIRROR";
    Revisa(
        w,
        {
            {0, "QX\nmirror", kControles},
            {0, "a\\b", "no puede llevar"},
            {0, "a/b", "no puede llevar"},
            {0, "--defaults-file=x", "no puede empezar con"},
            {0, QString(5000, 'q'), "tiene más de"},
            {0, "QXmirror", ""},
            {1, "3311", "debe ser una ruta completa"},
            {1, "C:\\datos\"x", "no puede llevar comillas dobles"},
            {1, QString("C:\\a") + QChar(0) + "b", kControles},
            {1, "C:\\" + QString(5000, 'd'), "tiene más de"},
            {1, datos, ""},
            {2, "..\\..\\evil.ini", "debe ser solo un nombre de archivo"},
            {2, "a\\b.ini", "debe ser solo un nombre de archivo"},
            {2, "NUL.ini", "es el nombre de un dispositivo"},
            {2, "com1.ini", "es el nombre de un dispositivo"},
            {2, "my.ini.", "no puede terminar"},
            {2, "QXmirror.ini", ""},
            {5, "0", "debe ser un número de puerto de 1 a 9999."},
            {5, "33\n8", "debe ser un número de puerto de 1 a 9999."},
            {5, "3308", ""},
        },
        [&](int i, const QString& v) {
            if (i == 1)
                w.txtDatoMultiLinea->setPlainText(v);
            else
                w.txtDato[i]->setText(v);
        },
        [&](int i) { return w.lblEtiq[i]->text().toStdString(); });
}

TEST_F(CamposWindows, MaestroYEsclavo) {
    ASSERT_NO_FATAL_FAILURE(Arma(false));
    const std::vector<Caso> cuenta = {
        {0, "usuario\nmirror", kControles},
        {0, QString(33, 'u'), "tiene más de"},
        {0, "usuariomirror", ""},
        {1, "127.0.0.1\tx", kControles},
        {1, QString(61, 'h'), "tiene más de"},
        {1, "127.0.0.1", ""},
        {2, "clave\r\nskip-grant-tables", kControles},
        {2, "clave ñ#1", ""},
    };
    const auto nombre = [](int i) -> std::string {
        switch (i) {
        case 0:
            return "Usuario:";
        case 1:
            return "Dirección:";
        case 2:
            return "Contraseña:";
        case 6:
            return "Nombre de la instancia usada:";
        case 7:
            return "Puerto:";
        default:
            return "Base de datos a replicar:";
        }
    };
    {
        frmMaestro w;
        Muestra(w);
        cajas.cajas.clear(); // sin servidor, la carga avisa que no pudo conectar
        Revisa(
            w, cuenta, [&](int i, const QString& v) { w.txtDato[i]->setText(v); }, nombre);
    }
    frmEsclavo w;
    Muestra(w);
    std::vector<Caso> esclavo = cuenta;
    esclavo.insert(esclavo.end(), {
                                      {6, "..\\x", "solo un nombre"},
                                      {6, "QXmirror", ""},
                                      {7, "70000", "debe ser un número de puerto de 1 a 65535."},
                                      {7, "3306", ""},
                                      {8, QString(65, 'd'), "tiene más de 64"},
                                      {8, "datos1", ""},
                                  });
    Revisa(
        w, esclavo, [&](int i, const QString& v) { w.txtDato[i]->setText(v); }, nombre);
}

} // namespace
