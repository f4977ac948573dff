#pragma once

// Mundo de las pruebas de ventanas bajo Wine: una carpeta del programa con su
// archivo de configuración, los datos del producto apuntando al MariaDB de
// las pruebas (del lado de Linux; sin él, a un puerto cerrado), una carpeta de
// MySQL con my.ini y un bin\mysqld.exe que solo revisa archivos de opciones
// (aux_consola), el valor "Location" en el registro de Wine, y la ventana
// principal arrancada contra todo eso, como la abre el técnico.
#include "Componentes.h"
#include "Ejecutable.h"
#include "Fabrica.h"
#include "Mensajes.h"
#include "Proceso.h"
#include "Servidor.h"
#include "frmInicial.h"

#include <windows.h>

#include <QDir>
#include <QTest>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <string>

class MundoWindows : public ::testing::Test {
protected:
    // Con servidor: los grupos "…Servidor" (el fixture de CTest lo arranca).
    void Arma(bool conServidor) {
        if (conServidor) {
            std::string error;
            auto s = pruebas::LeeServidor(error);
            ASSERT_TRUE(s) << error;
            servidor = *s;
        } else {
            servidor = {};
            servidor.host = "127.0.0.1";
            servidor.puerto = "1";
            servidor.usuario = "root";
        }
        namespace fs = std::filesystem;
        programa = carpeta.Ruta() / "programa";
        producto = carpeta.Ruta() / "orvalopremium";
        mysql = carpeta.Ruta() / "MySQL" / "MySQL Server 5.1";
        for (const auto& c : {programa, producto, mysql / "bin", mysql / "data"})
            fs::create_directories(c);
        pruebas::EscribeArchivo(mysql / "my.ini",
                                "[client]\r\nport=3306\r\n\r\n[mysqld]\r\nport=3306\r\n"
                                "datadir=\"" +
                                    Barras((mysql / "data").string()) + "/\"\r\n");
        fs::copy_file(CarpetaPruebas() / "aux_consola.exe", mysql / "bin" / "mysqld.exe");
        pruebas::PonUbicacionMySQL({}, mysql.string());

        rtqx5::libRTSA ini;
        rtqx5::Utilerias u;
        const std::string datos = (producto / "DatosQXW.ini").string();
        ini.EscribeIni("QXW", "servidor", "CAJA1", datos);
        ini.EscribeIni("QXW", "MySQLServer", servidor.host, datos);
        ini.EscribeIni("QXW", "MySQLPuerto", servidor.puerto, datos);
        ini.EscribeIni("QXW", "MySQLUsuario", u.Encripta(servidor.usuario), datos);
        ini.EscribeIni("QXW", "MySQLPassword", u.Encripta(servidor.password), datos);
        ini.EscribeIni("Configuración", "Ruta de Orvalo Premium", producto.string(),
                       (programa / "ReplicacionTesal.ini").string());

        cwdAnterior = QDir::currentPath();
        Proceso::LineaComandos = QStringLiteral("-rtsa");
        principal = std::make_unique<frmInicial>(QString::fromStdString(programa.string()),
                                                 QStringLiteral("ReplicacionTesal"));
        ASSERT_FALSE(principal->Terminado()) << "el arranque falló";
        ASSERT_TRUE(cajas.cajas.empty()) << cajas.cajas.front().texto;
    }

    void TearDown() override {
        principal.reset();
        rtqx5::Fabrica::Instancia().Restablece();
        Proceso::LineaComandos.reset();
        QDir::setCurrent(cwdAnterior);
        pruebas::QuitaUbicacionMySQL({});
    }

    template <class Ventana> static void Muestra(Ventana& w) {
        w.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
        QTest::qWait(20);
    }

    // Conexión al servidor de las pruebas; false si no entra.
    bool Conecta(rtqx5::Conexion& c, const std::string& usuario = {},
                 const std::string& clave = {}) const {
        rtqx5::BasesDD bd;
        bd.cRuta = servidor.host;
        bd.cPuerto = servidor.puerto;
        bd.cUsuario = usuario.empty() ? servidor.usuario : usuario;
        bd.cPassword = usuario.empty() ? servidor.password : clave;
        return bd.ConectarAservidor(c);
    }

    static std::string Barras(std::string s) {
        for (char& c : s)
            if (c == '\\')
                c = '/';
        return s;
    }

    pruebas::Servidor servidor;
    pruebas::CarpetaTemporal carpeta;
    std::filesystem::path programa, producto, mysql;
    rtqx5::GrabadorMensajes cajas;
    std::unique_ptr<frmInicial> principal;
    QString cwdAnterior;
};
