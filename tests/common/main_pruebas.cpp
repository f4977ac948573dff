#include <QApplication>
#include <gtest/gtest.h>

// Main de todas las pruebas: una QApplication sin pantalla y GoogleTest.
int main(int argc, char** argv) {
    // También al listar las pruebas (gtest_discover_tests), donde CTest aún no
    // fijó el entorno.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
