#pragma once

#include "Servidor.h"

#include <filesystem>
#include <map>
#include <string>

// Un entorno de prueba propio (tools/sandbox) en una carpeta temporal, para las
// pruebas que detienen y arrancan servicios o cambian el servidor: su servicio
// "MySQL" en un puerto libre de 127.0.0.1, su carpeta de MySQL, sus datos del
// producto, su registro y su net. Se destruye (servidores detenidos, carpeta
// borrada) al destruirse el objeto.
namespace pruebas {

class SandboxPrivado {
public:
    SandboxPrivado();
    ~SandboxPrivado();
    SandboxPrivado(const SandboxPrivado&) = delete;
    SandboxPrivado& operator=(const SandboxPrivado&) = delete;

    // False cuando no se pudo crear; Error() trae la salida de tools/sandbox.
    bool Listo() const { return listo_; }
    const std::string& Error() const { return error_; }

    // Valor de servidor.env (RT_MYSQL_PORT, RT_MYSQL_CARPETA, RT_PROGRAMA…).
    std::string Valor(const std::string& nombre) const;

    std::filesystem::path Carpeta() const { return carpeta_.Ruta() / "sb"; }
    std::filesystem::path MySQL() const { return Valor("RT_MYSQL_CARPETA"); }
    std::filesystem::path Programa() const { return Valor("RT_PROGRAMA"); }
    std::string Puerto() const { return Valor("RT_MYSQL_PORT"); }
    std::string ClaveRoot() const { return Valor("RT_MYSQL_PASSWORD"); }

    // Corre la orden en bash con sandbox.env cargado; devuelve su código de
    // salida y deja en `salida` lo que escribió (salida y errores).
    int Orden(const std::string& orden, std::string* salida = nullptr) const;

private:
    CarpetaTemporal carpeta_;
    std::map<std::string, std::string> valores_;
    bool listo_ = false;
    std::string error_;
};

// Una orden de bash con sus argumentos entre comillas simples.
std::string Comillas(const std::string& texto);

// Un puerto libre de este equipo entre `desde` y `hasta` ("" si no hay).
std::string PuertoLibre(int desde = 20000, int hasta = 60000);

} // namespace pruebas
