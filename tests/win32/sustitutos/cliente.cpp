// bin\mysql.exe, bin\mysqldump.exe and bin\mysql_upgrade.exe of the
// Wine-side MySQL folder: MariaDB's own client (RT_PROGRAMA: mariadb,
// mariadb-dump, mariadb-upgrade) on the Linux side, through the bridge.
// Arguments, standard input, output and error and the exit code pass
// unchanged; only paths in --result-file=, --defaults-extra-file=,
// --defaults-file= and the like become Linux paths.
#include "Puente.h"

int main() {
    sustitutos::Peticion p;
    p.programa = RT_PROGRAMA;
    for (const auto& a : sustitutos::Argumentos())
        p.args.push_back(sustitutos::TraduceArgumento(a, sustitutos::RutaUnix));
    return sustitutos::Ejecuta(p);
}
