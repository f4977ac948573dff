#pragma once

// Mundo de las pruebas de los procedimientos bajo Wine (grupos "…Servicios"):
// el servicio "MySQL" del gestor de servicios de Wine con su carpeta de MySQL
// de siempre (tests/win32/mundo_servicios.sh, que corre tools/test-windows;
// los datos en el archivo de RT_SERVICIOS_ENV), una carpeta del programa y
// otra del producto nuevas, el valor "Location" del registro y la ventana
// principal arrancada contra todo eso. Los servicios se detienen y arrancan
// de verdad: net.exe de Wine y los sustitutos de tests/win32/sustitutos.
#include "Componentes.h"
#include "Ejecutable.h"
#include "Fabrica.h"
#include "Mensajes.h"
#include "Proceso.h"
#include "Servidor.h"
#include "Sistema.h"
#include "frmInicial.h"

#include <windows.h>

#include <QDir>
#include <QTest>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <string>

class MundoServicios : public ::testing::Test {
protected:
    void SetUp() override {
        const char* archivo = std::getenv("RT_SERVICIOS_ENV");
        ASSERT_TRUE(archivo && *archivo) << "Falta RT_SERVICIOS_ENV: corra tools/test-windows";
        std::ifstream f(archivo);
        ASSERT_TRUE(f) << "No existe " << archivo;
        std::string linea;
        while (std::getline(f, linea)) {
            if (!linea.empty() && linea.back() == '\r')
                linea.pop_back();
            const auto igual = linea.find('=');
            if (igual != std::string::npos)
                valores[linea.substr(0, igual)] = linea.substr(igual + 1);
        }
        mysql = valores["RT_MYSQL_CARPETA"];
        puerto = valores["RT_MYSQL_PORT"];
        ASSERT_FALSE(mysql.empty() || puerto.empty()) << archivo << " está incompleto";
        ASSERT_EQ(pasos::EstadoDeServicio("MySQL"), pasos::EstadoServicio::Iniciado)
            << "el servicio MySQL no está iniciado";

        namespace fs = std::filesystem;
        programa = carpeta.Ruta() / "programa";
        producto = carpeta.Ruta() / "orvalopremium";
        fs::create_directories(programa);
        fs::create_directories(producto);
        pruebas::PonUbicacionMySQL({}, mysql);
        rtqx5::libRTSA ini;
        rtqx5::Utilerias u;
        const std::string datos = (producto / "DatosQXW.ini").string();
        ini.EscribeIni("QXW", "servidor", "127.0.0.1", datos);
        ini.EscribeIni("QXW", "MySQLServer", "127.0.0.1", datos);
        ini.EscribeIni("QXW", "MySQLPuerto", puerto, datos);
        ini.EscribeIni("QXW", "MySQLUsuario", u.Encripta("root"), datos);
        ini.EscribeIni("QXW", "MySQLPassword", u.Encripta(valores["RT_MYSQL_PASSWORD"]), datos);
        const std::string configuracion = (programa / "ReplicacionTesal.ini").string();
        ini.EscribeIni("Configuración", "Ruta de Orvalo Premium", producto.string(), configuracion);
        pruebas::EscribeArchivo(programa / "ReplicacionTesal_.txt", "");

        cwdAnterior = QDir::currentPath();
        Abre();
    }

    void TearDown() override {
        principal.reset();
        rtqx5::Fabrica::Instancia().Restablece();
        Proceso::LineaComandos.reset();
        QDir::setCurrent(cwdAnterior);
        pruebas::QuitaUbicacionMySQL({});
    }

    // La ventana principal, otra vez (como el técnico al abrir el programa).
    void Abre() {
        principal.reset();
        Proceso::LineaComandos = QStringLiteral("-rtsa");
        principal = std::make_unique<frmInicial>(QString::fromStdString(programa.string()),
                                                 QStringLiteral("ReplicacionTesal"));
        ASSERT_FALSE(principal->Terminado()) << "el arranque falló";
    }

    template <class Ventana> static void Muestra(Ventana& w) {
        w.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
        QTest::qWait(20);
    }

    std::string MyIni() const { return mysql + "\\my.ini"; }
    std::string Ini(const std::string& nombre) const { return mysql + "\\" + nombre; }

    // Conexión como root al servidor del puerto dado (el del servicio MySQL
    // por omisión); false si no entra.
    bool Conecta(rtqx5::Conexion& c, const std::string& enPuerto = {},
                 const std::string& usuario = "root", const std::string& clave = {}) const {
        rtqx5::BasesDD bd;
        bd.cRuta = "127.0.0.1";
        bd.cPuerto = enPuerto.empty() ? puerto : enPuerto;
        bd.cUsuario = usuario;
        bd.cPassword = usuario == "root" && clave.empty() ? valores.at("RT_MYSQL_PASSWORD") : clave;
        return bd.ConectarAservidor(c);
    }
    rtqx5::Conexion::Resultado Consulta(const std::string& sql,
                                        const std::string& enPuerto = {}) const {
        rtqx5::Conexion c;
        EXPECT_TRUE(Conecta(c, enPuerto))
            << "root no entra en " << (enPuerto.empty() ? puerto : enPuerto);
        return c.Abierta() ? c.Consulta(sql) : rtqx5::Conexion::Resultado{};
    }
    // Con datos1 como base por omisión (binlog-do-db filtra por ella).
    void EnDatos1(const std::string& sentencia, const std::string& enPuerto = {}) const {
        rtqx5::Conexion c;
        ASSERT_TRUE(Conecta(c, enPuerto));
        c.Execute("USE datos1");
        c.Execute(sentencia);
    }

    std::string AvisoFinal() const {
        return cajas.cajas.empty() ? std::string() : cajas.cajas.back().texto;
    }
    bool HayCaja(const std::string& titulo, const std::string& texto = {}) const {
        for (const auto& c : cajas.cajas)
            if (c.titulo == titulo && (texto.empty() || c.texto.find(texto) != std::string::npos))
                return true;
        return false;
    }

    std::map<std::string, std::string> valores;
    std::string mysql, puerto;
    pruebas::CarpetaTemporal carpeta;
    std::filesystem::path programa, producto;
    rtqx5::GrabadorMensajes cajas;
    std::unique_ptr<frmInicial> principal;
    QString cwdAnterior;
};
