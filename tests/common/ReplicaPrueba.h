#pragma once

// Lo que el técnico hace antes de configurar un esclavo, con las ventanas
// reales: QXmirror con la ventana de nueva instancia y el maestro con la suya.
// Solo cabecera: quien la usa enlaza instance y master.
#include "EntornoProcedimiento.h"
#include "frmInstancia.h"
#include "frmMaestro.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <filesystem>
#include <string>
#include <vector>

class EntornoReplica : public EntornoProcedimiento {
protected:
    std::string Ini(const std::string& nombre) const { return (sandbox.MySQL() / nombre).string(); }
    std::filesystem::path DatosQXmirror() const {
        return datosQXmirror.empty() ? sandbox.Carpeta() / "qxdata" : datosQXmirror;
    }

    // QXmirror en DatosQXmirror(), en un puerto libre de cuatro
    // cifras (las que admite el campo): queda en puertoEsclavo.
    void CreaQXmirror() {
        puertoEsclavo = pruebas::PuertoLibre(4000, 9999);
        frmInstancia instancia;
        Muestra(instancia);
        instancia.txtDatoMultiLinea->setPlainText(QString::fromStdString(DatosQXmirror().string()));
        instancia.txtDato[5]->setText(QString::fromStdString(puertoEsclavo));
        cajas.cajas.clear();
        cajas.respuestas = {rtqx5::vbYes};
        instancia.cmdProceder_Click();
        ASSERT_FALSE(cajas.cajas.empty());
        ASSERT_TRUE(cajas.cajas.back().texto.starts_with("Proceso terminado"))
            << cajas.cajas.back().texto << instancia.txtCapturaDOS->toPlainText().toStdString();
    }

    // La ventana del maestro con la dirección 127.0.0.1 y la clave dada para
    // la cuenta de replicación.
    void CorreMaestro(const std::string& clave) {
        frmMaestro maestro;
        Muestra(maestro);
        maestro.txtDato[1]->setText("127.0.0.1");
        maestro.txtDato[2]->setText(QString::fromStdString(clave));
        cajas.cajas.clear();
        cajas.respuestas = {rtqx5::vbYes};
        maestro.cmdProceder_Click();
        ASSERT_FALSE(cajas.cajas.empty());
        ASSERT_TRUE(cajas.cajas.back().texto.starts_with("Proceso terminado\r\n\r\nCopia"))
            << cajas.cajas.back().texto << maestro.txtCapturaDOS->toPlainText().toStdString();
    }

    // datos1 del maestro a QXmirror con los clientes de MariaDB, justo tras el
    // reinicio del maestro y antes de cualquier escritura.
    void CopiaDatos1() {
        const std::string root = " --no-defaults --protocol=tcp -h127.0.0.1 -uroot";
        std::string salida;
        ASSERT_EQ(sandbox.Orden("export MYSQL_PWD=\"$RT_MYSQL_PASSWORD\"; mariadb-dump" + root +
                                    " -P\"$RT_MYSQL_PORT\" --databases datos1 | mariadb" + root +
                                    " -P" + puertoEsclavo,
                                &salida),
                  0)
            << salida;
    }

    // Sentencias en el maestro con datos1 como base por omisión (binlog-do-db
    // filtra por ella, como en el punto de venta).
    void EnMaestro(const std::vector<std::string>& sentencias) {
        rtqx5::Conexion c;
        ASSERT_TRUE(Conecta(c));
        c.Execute("USE datos1");
        for (const auto& s : sentencias)
            c.Execute(s);
    }

    std::string puertoEsclavo;
    // La carpeta de datos de QXmirror; vacía, qxdata del entorno.
    std::filesystem::path datosQXmirror;
};
