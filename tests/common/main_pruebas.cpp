#include <QApplication>
#include <gtest/gtest.h>

// Main de todas las pruebas: una QApplication sin pantalla, las rutas del
// repositorio y de la construcción en el entorno, y GoogleTest.
int main(int argc, char** argv) {
    // También al listar las pruebas (gtest_discover_tests), donde CTest aún no
    // fijó el entorno.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("RT_FUENTES"))
        qputenv("RT_FUENTES", RT_FUENTES_RUTA);
    if (qEnvironmentVariableIsEmpty("RT_BINARIOS"))
        qputenv("RT_BINARIOS", RT_BINARIOS_RUTA);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
