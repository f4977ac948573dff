#!/usr/bin/env bash
# Prueba de los sustitutos de Windows bajo Wine (tools/wine-mysql): el servicio
# en el gestor de servicios de Wine, net start/stop, los clientes con su
# entrada y salida, la copia de una base con mysqldump.exe y mysql.exe, la
# parada rechazada y la limpieza del puente. La corre tools/test-windows con el
# prefijo de Wine ya listo (WINEPREFIX, wineserver en marcha y un proceso que
# mantiene vivo el escritorio: sin él, services.exe se cierra entre órdenes).
#   prueba_sustitutos.sh CARPETA_EXES
set -euo pipefail
raiz=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../.." && pwd)
exes=${1:?Uso: prueba_sustitutos.sh CARPETA_EXES}
: "${WINEPREFIX:?falta WINEPREFIX}"

fallos=0
inicio=$SECONDS
tmp=$(mktemp -d)
ok() { echo "  ok: $*"; }
mal() {
    echo "  FALLA: $*" >&2
    fallos=$((fallos + 1))
}
callado() { "$@" >/dev/null 2>&1; }
# comprueba DESCRIPCIÓN ORDEN…: ok si la orden sale con 0.
comprueba() {
    local d=$1
    shift
    if "$@"; then ok "$d"; else mal "$d"; fi
}

# Un solo services.exe en el prefijo (ver el arranque en tools/test-windows).
n=0
for d in /proc/[0-9]*; do
    [[ $(tr '\0' ' ' 2>/dev/null <"$d/cmdline") == *'\services.exe'* ]] || continue
    grep -qzx "WINEPREFIX=$WINEPREFIX" "$d/environ" 2>/dev/null && n=$((n + 1))
done
if [ "$n" != 1 ]; then
    echo "Hay $n services.exe en $WINEPREFIX (debe haber uno)." >&2
    exit 1
fi

mysql_win="$WINEPREFIX/drive_c/Program Files/MySQL/MySQL Server 5.1"
win='C:\Program Files\MySQL\MySQL Server 5.1'
"$raiz/tools/wine-mysql" crea "$mysql_win" --exes "$exes" >/dev/null
puerto=$(sed -n 's/^port=//p' "$mysql_win/my.ini" | head -1)
# El puente es hijo de un subshell propio: matarlo prueba la limpieza al morir
# el padre.
(
    "$raiz/tools/wine-mysql" puente "$mysql_win" &
    wait
) &
padre=$!
disown "$padre"
termina() {
    kill -KILL "$padre" 2>/dev/null || true
    "$raiz/tools/wine-mysql" para "$mysql_win" 2>/dev/null || true
    rm -rf "$tmp"
}
trap termina EXIT
"$raiz/tools/wine-mysql" espera "$mysql_win"
pid_puente=$(sed -n 's/^pid=\([0-9]*\).*/\1/p' "$mysql_win/bin/puente.txt")

sql() { mariadb --no-defaults --protocol=tcp -h127.0.0.1 -P"$puerto" -uroot -N -B "$@"; }
contesta() { mariadb-admin --no-defaults --protocol=tcp -h127.0.0.1 -P"$puerto" -uroot \
    --connect-timeout=2 ping >/dev/null 2>&1; }
exe() { wine "$mysql_win/bin/$1.exe" "${@:2}"; }
estado() { wine sc query "$1" 2>/dev/null | sed -n 's/.*STATE *: *[0-9] *\([A-Z_]*\).*/\1/p'; }
# Servidores vivos con el archivo de opciones que el puente da al servicio ([.]:
# la línea de órdenes de grep no se cuenta a sí misma).
servidores() { grep -las -- "puente/$1[.]cnf" /proc/[0-9]*/cmdline | wc -l; }

echo "mysqld.exe fuera del servicio:"
salida=$(exe mysqld --version)
comprueba "--version como el del entorno de prueba: $salida" \
    test "$salida" = "$("$(command -v mariadbd || echo /usr/sbin/mariadbd)" --version)"
exe mysqld --verbose --help "--defaults-file=$win\\my.ini" >"$tmp/ayuda" 2>&1 && rc=0 || rc=$?
comprueba "--verbose --help con my.ini: código 0" test "$rc" = 0
datadir=$(sed -n 's/^datadir  *//p' "$tmp/ayuda")
comprueba "datadir traducido a Linux: $datadir" \
    test "$(readlink -f "$datadir")" = "$(readlink -f "$mysql_win/data")"
printf '[mysqld]\r\ndatadir=C:\\no\\existe\r\nclave-desconocida=1\r\n' >"$WINEPREFIX/drive_c/malo.ini"
exe mysqld "--defaults-file=C:\\malo.ini" --verbose --help >"$tmp/malo" 2>&1 && rc=0 || rc=$?
comprueba "un archivo con una clave desconocida: código 7 ($rc)" test "$rc" = 7
comprueba "y el motivo en la salida" grep -q "unknown variable 'clave-desconocida=1'" "$tmp/malo"
exe mysqld QXprueba >/dev/null 2>&1 && rc=0 || rc=$?
comprueba "el modo de servicio fuera del gestor falla ($rc)" test "$rc" = 1

echo "Servicio en el gestor de servicios de Wine:"
comprueba "--install QXprueba" callado exe mysqld --install QXprueba "--defaults-file=$win\\my.ini"
exe mysqld --install QXprueba "--defaults-file=$win\\my.ini" >/dev/null 2>&1 && rc=0 || rc=$?
comprueba "un segundo --install falla ($rc)" test "$rc" = 1
ruta=$(wine reg query 'HKLM\System\CurrentControlSet\Services\QXprueba' /v ImagePath | tr -d '\r' |
    sed -n 's/.*REG_[A-Z_]*SZ *//p')
comprueba "ImagePath como el de MySQL: $ruta" \
    test "$ruta" = "\"$win\\bin\\mysqld.exe\" --defaults-file=\"$win\\my.ini\" QXprueba"
t0=$SECONDS
wine net start QXprueba >"$tmp/net" 2>&1 && rc=0 || rc=$?
comprueba "net start QXprueba: código 0 ($(tr -d '\r' <"$tmp/net" | tail -1))" test "$rc" = 0
comprueba "el servidor contesta en cuanto net start termina ($((SECONDS - t0)) s)" contesta
comprueba "con los datos de my.ini" test "$(sql -e 'SELECT @@port')" = "$puerto"
comprueba "un solo servidor con el archivo del puente" test "$(servidores qxprueba)" = 1
wine net start QXprueba >"$tmp/net" 2>&1 && rc=0 || rc=$?
comprueba "net start de un servicio en marcha falla ($rc: $(tr -d '\r' <"$tmp/net" | tail -1))" \
    test "$rc" != 0

echo "Clientes:"
salida=$(exe mysql -h127.0.0.1 -P"$puerto" -uroot -N -B -e "SELECT 1" </dev/null | tr -d '\r')
comprueba "mysql.exe -e \"SELECT 1\": $salida" test "$salida" = 1
salida=$(printf 'SELECT 40+2;\nSELECT CONCAT("a", "ñ");\n' |
    exe mysql -h127.0.0.1 -P"$puerto" -uroot -N -B --default-character-set=utf8mb4)
comprueba "mysql.exe lee su entrada estándar" test "$salida" = $'42\nañ'
exe mysql -h127.0.0.1 -P"$puerto" -uroot -e "SELECT * FROM nada.t" </dev/null 2>"$tmp/err" && rc=0 || rc=$?
comprueba "el código y la salida de error pasan ($rc)" \
    test "$rc" = 1 -a -n "$(grep 'ERROR 1146' "$tmp/err")"
sql -e "CREATE DATABASE prueba1; USE prueba1; CREATE TABLE prueba1.t (id INT PRIMARY KEY, texto VARCHAR(200))
        DEFAULT CHARSET=utf8mb4;
        INSERT INTO prueba1.t SELECT seq, CONCAT('fila ñandú ', seq, REPEAT('x', 100))
        FROM seq_1_to_20000; CREATE DATABASE prueba2;"
filas=$(exe mysql -h127.0.0.1 -P"$puerto" -uroot -N -B -e "SELECT * FROM prueba1.t" </dev/null | wc -l)
comprueba "una salida grande llega entera ($filas filas)" test "$filas" = 20000
mkdir -p "$WINEPREFIX/drive_c/copia"
exe mysqldump -h127.0.0.1 -P"$puerto" -uroot --verbose --lock-all-tables \
    '--result-file=C:\copia\volcado.sql' prueba1 </dev/null 2>"$tmp/volcado.err" && rc=0 || rc=$?
comprueba "mysqldump.exe --result-file=C:\\…: código 0" test "$rc" = 0
comprueba "su progreso (--verbose) en la salida de error" grep -q "^-- Connecting to" "$tmp/volcado.err"
comprueba "el archivo en C:\\copia ($(stat -c %s "$WINEPREFIX/drive_c/copia/volcado.sql") bytes)" \
    grep -q "INSERT INTO \`t\`" "$WINEPREFIX/drive_c/copia/volcado.sql"
# La carga como la hace el programa: el archivo como entrada estándar (cmd abre
# el archivo y lo da en hStdInput).
printf '@"%s\\bin\\mysql.exe" -h127.0.0.1 -P%s -uroot prueba2 < C:\\copia\\volcado.sql\r\n' \
    "$win" "$puerto" >"$WINEPREFIX/drive_c/copia/carga.bat"
wine cmd /c 'C:\copia\carga.bat' </dev/null >"$tmp/carga" 2>&1 && rc=0 || rc=$?
comprueba "mysql.exe < volcado.sql: código 0" test "$rc" = 0
comprueba "la copia es igual al original" \
    test "$(sql -e 'CHECKSUM TABLE prueba1.t' | cut -f2)" = "$(sql -e 'CHECKSUM TABLE prueba2.t' | cut -f2)"
comprueba "mysql_upgrade.exe --force: código 0" \
    callado exe mysql_upgrade -h127.0.0.1 -P"$puerto" -uroot --force
# Basura en el puerto del puente: la cierra y sigue atendiendo.
exec 3<>"/dev/tcp/127.0.0.1/$(sed -n 's/^puerto=//p' "$mysql_win/bin/puente.txt" | tr -d '\r')"
printf 'K\x05\x00\x00\x00nadaG\x00\x00\x00\x00' >&3
exec 3>&-
comprueba "el puente sigue tras una clave falsa" \
    test "$(exe mysql -h127.0.0.1 -P"$puerto" -uroot -N -B -e 'SELECT 2' </dev/null | tr -d '\r')" = 2

echo "Parada rechazada:"
touch "$mysql_win/bin/QXprueba.rechaza-parada"
sleep 0.5
wine net stop QXprueba >"$tmp/net" 2>&1 && rc=0 || rc=$?
comprueba "net stop falla ($rc: $(tr -d '\r' <"$tmp/net" | tail -1))" test "$rc" != 0
comprueba "el servidor sigue contestando" contesta
comprueba "el servicio sigue iniciado ($(estado QXprueba))" test "$(estado QXprueba)" = RUNNING
rm "$mysql_win/bin/QXprueba.rechaza-parada"
sleep 0.5

echo "Parada:"
t0=$SECONDS
wine net stop QXprueba >"$tmp/net" 2>&1 && rc=0 || rc=$?
comprueba "net stop QXprueba: código 0 ($(tr -d '\r' <"$tmp/net" | tail -1), $((SECONDS - t0)) s)" \
    test "$rc" = 0
comprueba "el servicio quedó detenido ($(estado QXprueba))" test "$(estado QXprueba)" = STOPPED
comprueba "y el servidor ya no existe" test "$(servidores qxprueba)" = 0
comprueba "net start otra vez" callado wine net start QXprueba
comprueba "contesta" contesta
wine net stop QXprueba >/dev/null
comprueba "--remove QXprueba" callado exe mysqld --remove QXprueba
# Como en Windows, un servicio borrado desaparece cuando su proceso termina.
quitado() {
    for _ in $(seq 50); do
        [ -z "$(estado QXprueba)" ] && return 0
        sleep 0.1
    done
    return 1
}
comprueba "ya no está en el gestor" quitado

echo "Limpieza del puente al morir su padre:"
exe mysqld --install QXlimpieza "--defaults-file=$win\\my.ini" >/dev/null
wine net start QXlimpieza >/dev/null
comprueba "QXlimpieza contesta" contesta
kill -KILL "$padre"
for _ in $(seq 100); do kill -0 "$pid_puente" 2>/dev/null || break; sleep 0.1; done
comprueba "el puente terminó" test ! -e "/proc/$pid_puente"
comprueba "y detuvo el servidor" test "$(servidores qxlimpieza)" = 0
comprueba "y borró bin\\puente.txt" test ! -e "$mysql_win/bin/puente.txt"
sleep 0.5
comprueba "el servicio quedó detenido ($(estado QXlimpieza))" test "$(estado QXlimpieza)" = STOPPED
exe mysqld --remove QXlimpieza >/dev/null

echo "Sustitutos bajo Wine: $fallos fallos en $((SECONDS - inicio)) s."
[ "$fallos" = 0 ]
