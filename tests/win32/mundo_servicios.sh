#!/usr/bin/env bash
# El mundo de las pruebas de los procedimientos bajo Wine (grupos de GoogleTest
# "…Servicios"), como el equipo de un técnico: en el prefijo de Wine la
# carpeta de MySQL de siempre con los sustitutos (tools/wine-mysql crea, con
# su puente ya escuchando), el servicio "MySQL" instalado con "mysqld.exe
# --install" y arrancado con "net start" por el gestor de servicios de Wine,
# root con su contraseña y las bases del producto. Escribe en ENV (NOMBRE=valor
# por línea) lo que las pruebas necesitan.
#   tests/win32/mundo_servicios.sh CARPETA_MYSQL ENV
# Lo corre tools/test-windows, con WINEPREFIX puesto.
set -euo pipefail
raiz=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
carpeta=$1
env=$2
clave=Tesal2024

falla() {
    echo "mundo de servicios: $*" >&2
    exit 1
}

puerto=$(sed -n 's/^port=//p' "$carpeta/my.ini" | head -1)
win=$(winepath -w "$carpeta")
wine "$carpeta/bin/mysqld.exe" --install MySQL "--defaults-file=$win\\my.ini" </dev/null \
    >/dev/null 2>&1 || falla "mysqld.exe --install MySQL falló."
wine net start MySQL </dev/null >/dev/null 2>&1 || falla "net start MySQL falló."

sql() {
    mariadb --no-defaults --protocol=tcp -h127.0.0.1 -P"$puerto" -uroot --default-character-set=utf8mb4 \
        --batch --skip-column-names "$@"
}
hosts=$(sql -e "SELECT host FROM mysql.user WHERE user = 'root'") || falla "root no entra."
orden=
while IFS= read -r host; do
    [ -n "$host" ] && orden+="ALTER USER 'root'@'$host' IDENTIFIED BY '$clave';"
done <<<"$hosts"
sql -e "$orden" || falla "no se pudo fijar la contraseña de root."
MYSQL_PWD=$clave sql <"$raiz/tools/datos-producto.sql" || falla "no se pudieron crear las bases."

{
    echo "RT_MYSQL_HOST=127.0.0.1"
    echo "RT_MYSQL_PORT=$puerto"
    echo "RT_MYSQL_USER=root"
    echo "RT_MYSQL_PASSWORD=$clave"
    echo "RT_MYSQL_CARPETA=$win"
    echo "RT_MYSQL_CARPETA_LINUX=$carpeta"
} >"$env"
echo "Servicio MySQL del lado de Wine en 127.0.0.1:$puerto ($win)."
