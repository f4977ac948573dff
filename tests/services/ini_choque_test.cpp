// A writer killed at any moment leaves the old or the new file, never a torn
// one, and no leftover that MySQL would read as an option file.
#include "Servidor.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <random>
#include <regex>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string RutaAuxiliar() {
    if (const char* b = std::getenv("RT_BINARIOS"))
        return std::string(b) + "/tests/services/aux_ini_escritor";
    return (fs::read_symlink("/proc/self/exe").parent_path() / "aux_ini_escritor").string();
}

// The value of n in a file of the expected shape; -1 otherwise.
long Numero(const std::string& contenido, std::size_t desde) {
    const auto fin = contenido.find("\r\n", desde);
    if (!contenido.starts_with("[client]") || fin == std::string::npos)
        return -1;
    try {
        return std::stol(contenido.substr(desde + 2, fin - desde - 2));
    } catch (const std::exception&) {
        return -1;
    }
}

TEST(IniChoque, MatarAlEscritorNuncaDejaUnArchivoRoto) {
    const std::string aux = RutaAuxiliar();
    ASSERT_TRUE(fs::exists(aux)) << aux;
    pruebas::CarpetaTemporal dir;
    const std::string archivo = dir.En("my.cnf");
    // Large enough that a torn write would show: about 200 KB around the key.
    std::string antes = "[client]\r\nport=3306\r\n[mysqld]\r\nport=3306\r\n";
    std::string despues;
    for (int i = 0; i < 3000; ++i)
        despues += "# línea de relleno " + std::to_string(i) + " ............................\r\n";
    despues += "[mysqldump]\r\nquick\r\n";
    pruebas::EscribeArchivo(archivo, antes + "n=0\r\n" + despues);

    std::mt19937 azar(std::random_device{}());
    long ultimo = 0;
    for (int vuelta = 0; vuelta < 50; ++vuelta) {
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            execl(aux.c_str(), aux.c_str(), archivo.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        // Once the writer is at work, kill it at a random moment of its loop.
        const auto limite = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (Numero(pruebas::LeeArchivo(archivo), antes.size()) <= ultimo &&
               std::chrono::steady_clock::now() < limite)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        std::this_thread::sleep_for(
            std::chrono::microseconds(std::uniform_int_distribution<int>(0, 4000)(azar)));
        kill(pid, SIGKILL);
        int estado = 0;
        ASSERT_EQ(waitpid(pid, &estado, 0), pid);
        ASSERT_TRUE(WIFSIGNALED(estado)) << "el escritor terminó solo: " << estado;

        const std::string contenido = pruebas::LeeArchivo(archivo);
        ASSERT_TRUE(contenido.starts_with(antes + "n=")) << "vuelta " << vuelta;
        ASSERT_TRUE(contenido.ends_with("\r\n" + despues)) << "vuelta " << vuelta;
        const std::string numero = contenido.substr(
            antes.size() + 2, contenido.size() - antes.size() - 4 - despues.size());
        ASSERT_TRUE(std::regex_match(numero, std::regex("[0-9]+"))) << numero;
        const long n = std::stol(numero);
        ASSERT_GT(n, ultimo) << "el escritor no llegó a escribir";
        ultimo = n;

        // At most the leftover of this kill: the next write removes those of dead writers.
        int sobrantes = 0;
        for (const auto& e : fs::directory_iterator(dir.Ruta())) {
            const std::string nombre = e.path().filename().string();
            if (nombre == "my.cnf")
                continue;
            ++sobrantes;
            EXPECT_FALSE(nombre.ends_with(".cnf") || nombre.ends_with(".ini")) << nombre;
            EXPECT_TRUE(nombre.starts_with(".")) << nombre; // hidden leftover
        }
        EXPECT_LE(sobrantes, 1);
    }
}

} // namespace
