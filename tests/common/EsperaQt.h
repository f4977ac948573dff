#pragma once

#include <QElapsedTimer>
#include <QTest>
#include <functional>

namespace pruebas {

// Deja correr los eventos de Qt hasta que `listo` o hasta `ms`; true si llegó.
// Para GoogleTest: QTRY_VERIFY no hace fallar una prueba de GoogleTest (solo
// sale de la función).
inline bool EsperaQue(const std::function<bool()>& listo, int ms = 5000) {
    QElapsedTimer reloj;
    reloj.start();
    while (!listo()) {
        if (reloj.elapsed() > ms)
            return false;
        QTest::qWait(20);
    }
    return true;
}

} // namespace pruebas
