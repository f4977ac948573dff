#pragma once

// Mundo de arranque para las pruebas de la ventana principal y la de
// descripción: carpeta del programa, archivo de configuración, datos del
// producto, registro (RT_REGISTRO) y un abridor de documentos que anota lo que
// recibe (RT_ABRIDOR). Todo se escribe con la propia biblioteca.
#include "Componentes.h"
#include "Fabrica.h"
#include "Mensajes.h"
#include "Proceso.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdlib>
#include <gtest/gtest.h>

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
        ini = programa + QStringLiteral("/ReplicacionTesal.ini");
        registro = dir.filePath(QStringLiteral("registro.ini"));
        abiertos = dir.filePath(QStringLiteral("abiertos.txt"));

        Escribe(ini, "Configuración", "Ruta de Orvalo Premium", producto);
        Escribe(ini, "Configuración", "Base de datos principal", "datos1");
        const QString datos = producto + QStringLiteral("/DatosQXW.ini");
        Escribe(datos, "QXW", "servidor", "CAJA1");
        Escribe(datos, "QXW", "MySQLServer", "192.168.1.10");
        Escribe(datos, "QXW", "MySQLPuerto", "3306");
        Escribe(registro, "HKEY_LOCAL_MACHINE\\Software\\MySQL AB\\MySQL Server 5.1", "Location",
                mysql);

        const QString abridor = dir.filePath(QStringLiteral("abridor.sh"));
        QFile guion(abridor);
        ASSERT_TRUE(guion.open(QIODevice::WriteOnly));
        guion.write(
            QStringLiteral("#!/bin/sh\nprintf '%s\\n' \"$1\" >> '%1'\n").arg(abiertos).toUtf8());
        guion.close();
        guion.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

        setenv("RT_REGISTRO", registro.toLocal8Bit().constData(), 1);
        setenv("RT_ABRIDOR", abridor.toLocal8Bit().constData(), 1);
        Proceso::LineaComandos = QString();
    }

    void TearDown() override {
        rtqx5::Fabrica::Instancia().Restablece();
        Proceso::LineaComandos.reset();
        QDir::setCurrent(cwdAnterior);
        unsetenv("RT_REGISTRO");
        unsetenv("RT_ABRIDOR");
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

    QTemporaryDir dir;
    QString cwdAnterior, programa, producto, mysql, ini, registro, abiertos;
    rtqx5::GrabadorMensajes cajas;
};
