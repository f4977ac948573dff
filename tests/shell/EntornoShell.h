#pragma once

// Mundo de arranque para las pruebas de la ventana principal y la de
// descripción: carpeta del programa, archivo de configuración, datos del
// producto, registro (en Linux el archivo de RT_REGISTRO) y un abridor de
// documentos que anota lo que recibe (Servidor.h). Todo se escribe con la
// propia biblioteca. También en Windows.
#include "Componentes.h"
#include "Fabrica.h"
#include "Mensajes.h"
#include "Proceso.h"
#include "Servidor.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

class EntornoShell : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        cwdAnterior = QDir::currentPath();
        programa = dir.filePath(QStringLiteral("programa"));
        producto = dir.filePath(QStringLiteral("Orvalo Premium"));
        mysql = dir.filePath(QStringLiteral("MySQL/MySQL Server 5.1"));
        for (const QString& c : {programa, producto, mysql})
            ASSERT_TRUE(QDir().mkpath(c));
        ini = Nativa(programa) + Sep() + QStringLiteral("ReplicacionTesal.ini");
        registro = dir.filePath(QStringLiteral("registro.ini"));
        abiertos = dir.filePath(QStringLiteral("abiertos.txt"));

        Escribe(ini, "Configuración", "Ruta de Orvalo Premium", producto);
        Escribe(ini, "Configuración", "Base de datos principal", "datos1");
        const QString datos = producto + QStringLiteral("/DatosQXW.ini");
        Escribe(datos, "QXW", "servidor", "CAJA1");
        Escribe(datos, "QXW", "MySQLServer", "192.168.1.10");
        Escribe(datos, "QXW", "MySQLPuerto", "3306");
        pruebas::PonUbicacionMySQL(registro.toStdString(), mysql.toStdString());
        varRegistro =
            std::make_unique<pruebas::VariableEntorno>("RT_REGISTRO", registro.toStdString());
        varAbridor = std::make_unique<pruebas::VariableEntorno>(
            "RT_ABRIDOR", pruebas::CreaAbridorGrabador(herramientas, abiertos.toStdString()));
        Proceso::LineaComandos = QString();
    }

    void TearDown() override {
        rtqx5::Fabrica::Instancia().Restablece();
        Proceso::LineaComandos.reset();
        QDir::setCurrent(cwdAnterior);
        pruebas::QuitaUbicacionMySQL(registro.toStdString());
        varRegistro.reset();
        varAbridor.reset();
    }

    static void Escribe(const QString& archivo, const char* seccion, const char* clave,
                        const QString& valor) {
        rtqx5::libRTSA().EscribeIni(seccion, clave, valor.toStdString(), archivo.toStdString());
    }

    void CreaMarcaBitacora() {
        QFile f(programa + QStringLiteral("/ReplicacionTesal_.txt"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    QString Bitacora() const { return programa + QStringLiteral("/BitacoraReplicacionTesal.txt"); }
    static QByteArray Contenido(const QString& archivo) {
        QFile f(archivo);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // El separador de las rutas que arma el programa ("\\" en Windows).
    static QString Sep() { return QDir::separator(); }
    static QString Nativa(const QString& ruta) { return QDir::toNativeSeparators(ruta); }

    QTemporaryDir dir;
    pruebas::CarpetaTemporal herramientas;
    std::unique_ptr<pruebas::VariableEntorno> varRegistro, varAbridor;
    QString cwdAnterior, programa, producto, mysql, ini, registro, abiertos;
    rtqx5::GrabadorMensajes cajas;
};
