// El ejecutor como lo usan las ventanas en Windows: la salida de un programa
// de consola (bytes de la página ANSI, 1252 en un Windows en español) llega
// con sus acentos a la caja de captura de Qt.
#include "CajaQt.h"
#include "EjecucionCMD.h"
#include "Ejecutable.h"

#include <windows.h>

#include <QPlainTextEdit>
#include <QTest>
#include <QWidget>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

std::string AuxConsola() {
    return "\"" + (CarpetaPruebas() / "aux_consola.exe").string() + "\"";
}

TEST(CajaCapturaWindows, SalidaEnEspanolConAcentosSeVeIntacta) {
    ASSERT_EQ(GetACP(), 1252u) << "las pruebas corren con la página de un Windows en español";
    ejecucion::InstalaBombaQt();
    QWidget ventana;
    QPlainTextEdit* caja = ejecucion::CreaCajaCaptura(&ventana);
    ventana.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&ventana));
    ejecucion::CajaQt adaptador(caja);

    std::string bloque, salida;
    std::int32_t codigo = -1;
    const std::string texto = "Configuración terminó: año, señal, «pingüino» ¿sí?";
    // "argumentos" devuelve cada argumento tal cual lo recibió: la línea de
    // órdenes va en la página ANSI y la salida vuelve en ella.
    ASSERT_TRUE(ejecucion::EjecutaCMD(AuxConsola() + " argumentos \"" + texto + "\"", "", "",
                                      &adaptador, true, ejecucion::kModoAgrega, bloque, salida, -1,
                                      codigo));
    EXPECT_EQ(codigo, 0);
    EXPECT_EQ(caja->toPlainText().toStdString(), "[" + texto + "]\n");
    EXPECT_EQ(salida, "[" + texto + "]\r\n");
    ejecucion::PonBombaEventos(nullptr);
}

} // namespace
