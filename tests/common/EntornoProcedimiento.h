#pragma once

// Mundo de las pruebas de las ventanas de procedimiento: un entorno de prueba
// propio (servicio "MySQL" real, carpeta de MySQL, producto, registro, net en
// PATH) y la ventana principal arrancada contra él, como la abre el técnico.
// Solo cabecera: quien la usa enlaza shell.
#include "Componentes.h"
#include "Fabrica.h"
#include "Mensajes.h"
#include "Proceso.h"
#include "SandboxPrivado.h"
#include "frmInicial.h"

#include <QDir>
#include <QStringList>
#include <QTest>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

class EntornoProcedimiento : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(sandbox.Listo()) << sandbox.Error();
        const char* path = std::getenv("PATH");
        registro =
            std::make_unique<pruebas::VariableEntorno>("RT_REGISTRO", sandbox.Valor("RT_REGISTRO"));
        ruta = std::make_unique<pruebas::VariableEntorno>(
            "PATH", sandbox.Valor("RT_RUTA_NET") + ":" + (path ? path : "/usr/bin:/bin"));
        cwdAnterior = QDir::currentPath();
        Proceso::LineaComandos = QStringLiteral("-rtsa");
        principal =
            std::make_unique<frmInicial>(QString::fromStdString(sandbox.Programa().string()),
                                         QStringLiteral("ReplicacionTesal"));
        ASSERT_FALSE(principal->Terminado()) << "el arranque contra el entorno de prueba falló";
        ASSERT_TRUE(cajas.cajas.empty()) << cajas.cajas.front().texto;
    }

    void TearDown() override {
        principal.reset();
        rtqx5::Fabrica::Instancia().Restablece();
        Proceso::LineaComandos.reset();
        QDir::setCurrent(cwdAnterior);
    }

    // Muestra la ventana y deja correr su primera activación.
    template <class Ventana> static void Muestra(Ventana& w) {
        w.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
        QTest::qWait(20);
    }

    // Los nombres de los controles que el tabulador visita desde `desde`.
    static std::string OrdenTabulacion(QWidget* desde) {
        QStringList orden;
        QWidget* control = desde;
        do {
            if ((control->focusPolicy() & Qt::TabFocus) && !control->objectName().isEmpty())
                orden << control->objectName();
            control = control->nextInFocusChain();
        } while (control != desde);
        return orden.join(QLatin1Char(' ')).toStdString();
    }

    std::string RutaMySQL() const { return sandbox.MySQL().string(); }
    std::string MyIni() const { return (sandbox.MySQL() / "my.ini").string(); }

    // Las líneas de la bitácora sin fecha ni hora (sin "Iniciando bitácora").
    std::vector<std::string> Bitacora() const {
        std::ifstream f(sandbox.Programa() / "BitacoraReplicacionTesal.txt", std::ios::binary);
        std::vector<std::string> lineas;
        std::string linea;
        while (std::getline(f, linea)) {
            if (!linea.empty() && linea.back() == '\r')
                linea.pop_back();
            // "aaaa-mm-dd hh:nn:ss" y cinco blancos.
            if (linea.size() >= 24)
                linea = linea.substr(24);
            if (linea != "Iniciando bitácora")
                lineas.push_back(linea);
        }
        return lineas;
    }

    // Conexión al servidor del entorno con la cuenta dada (root por omisión);
    // false si no entra.
    bool Conecta(rtqx5::Conexion& conexion, const std::string& usuario = "root",
                 const std::string& clave = {}, const std::string& puerto = {}) const {
        rtqx5::BasesDD bd;
        bd.cRuta = "127.0.0.1";
        bd.cPuerto = puerto.empty() ? sandbox.Puerto() : puerto;
        bd.cUsuario = usuario;
        bd.cPassword = usuario == "root" && clave.empty() ? sandbox.ClaveRoot() : clave;
        return bd.ConectarAservidor(conexion);
    }

    // Filas de una consulta como root (falla la prueba si no se puede).
    rtqx5::Conexion::Resultado Consulta(const std::string& sql,
                                        const std::string& puerto = {}) const {
        rtqx5::Conexion c;
        EXPECT_TRUE(Conecta(c, "root", {}, puerto)) << "root no entra";
        return c.Abierta() ? c.Consulta(sql) : rtqx5::Conexion::Resultado{};
    }

    // Lo que my_print_defaults lee del archivo para el grupo mysqld.
    std::string OpcionesServidor(const std::string& archivo) const {
        std::string salida;
        sandbox.Orden("my_print_defaults --defaults-file=" + pruebas::Comillas(archivo) + " mysqld",
                      &salida);
        return salida;
    }

    bool HayCaja(const std::string& titulo, const std::string& texto = {}) const {
        for (const auto& c : cajas.cajas)
            if (c.titulo == titulo && (texto.empty() || c.texto.find(texto) != std::string::npos))
                return true;
        return false;
    }

    pruebas::SandboxPrivado sandbox;
    rtqx5::GrabadorMensajes cajas;
    std::unique_ptr<pruebas::VariableEntorno> registro, ruta;
    std::unique_ptr<frmInicial> principal;
    QString cwdAnterior;
};
