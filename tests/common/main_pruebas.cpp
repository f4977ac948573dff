#include <QApplication>
#include <gtest/gtest.h>

// Main de todas las pruebas: una QApplication (sin pantalla, QT_QPA_PLATFORM
// la fija CTest) y GoogleTest.
int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
