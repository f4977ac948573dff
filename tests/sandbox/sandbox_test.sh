#!/usr/bin/env bash
# tools/sandbox create/destroy y la envoltura de mysqld: un segundo servidor
# instalado como lo hace la creación de instancias.
# Requiere RT_RTQX5UTIL (la ruta de rtqx5util).
source "$(dirname "$0")/lib-pruebas.sh"

[ -x "${RT_RTQX5UTIL:-}" ] || {
    echo "RT_RTQX5UTIL no apunta a rtqx5util" >&2
    exit 1
}
UTIL=$RT_RTQX5UTIL
SANDBOX=$HERRAMIENTAS/sandbox
unset RT_SERVICIOS RT_MYSQL_CARPETA
# El entorno en una carpeta honda, como un repositorio clonado muy adentro: la
# ruta de un socket de Unix no cabría en ella.
HONDA=$T/carpeta-de-trabajo-del-tecnico/proyectos-de-replicacion-de-sucursales
HONDA=$HONDA/entornos-de-prueba-del-punto-de-venta/otra-carpeta-mas-para-pasar-de-ciento-cincuenta
SB=$HONDA/sb
mkdir -p "$HONDA"
cierto "la carpeta del entorno tiene 150 caracteres o más" test "${#SB}" -ge 150

# Un segundo entorno creado a la vez, como lo hacen pruebas en paralelo.
SB2=$T/sb2
"$SANDBOX" create --rtqx5util "$UTIL" "$SB2" >"$T/sb2.log" 2>&1 &
pid_sb2=$!

# Con una TMPDIR tan larga como la carpeta, los sockets van a /tmp.
TMPDIR=$HONDA corre "$SANDBOX" create --rtqx5util "$UTIL" "$SB"
igual 0 "$CODIGO" "sandbox create"
[ "$CODIGO" = 0 ] || {
    echo "$SALIDA" >&2
    wait "$pid_sb2"
    termina
}
# shellcheck source=/dev/null
source "$SB/sandbox.env"
M=$RT_MYSQL_CARPETA
RT_DIR_SERVICIOS=$RT_SERVICIOS
CLAVE=Tesal2024

# --- Los sockets, en una carpeta corta propia fuera del entorno.
S=$RT_SOCKETS
igual "/tmp" "${S%/*}" "sockets en /tmp si TMPDIR es larga"
cierto "la carpeta de sockets existe" test -d "$S"
igual "$S" "$(readlink "$RT_SERVICIOS/sockets")" "servicios/sockets señala la carpeta de sockets"
igual "$S/mysql.sock" "$RT_MYSQL_SOCKET" "el socket del servicio MySQL, en la carpeta de sockets"
igual "$RT_MYSQL_SOCKET" "$(grep '^RT_MYSQL_SOCKET=' "$SB/servidor.env" | cut -d= -f2-)" \
    "servidor.env: el socket"
por_socket() {
    MYSQL_PWD=$CLAVE mariadb --no-defaults --protocol=socket --socket="$1" -u root --batch \
        --skip-column-names -e 'SELECT @@port'
}
igual "$RT_MYSQL_PORT" "$(por_socket "$RT_MYSQL_SOCKET")" "root entra por el socket"
contiene "$(cat "$M/my.ini")" "socket=\"$S/" "my.ini: socket en la carpeta de sockets"

wait "$pid_sb2"
codigo_sb2=$?
igual 0 "$codigo_sb2" "un segundo entorno creado a la vez"
[ "$codigo_sb2" = 0 ] || cat "$T/sb2.log" >&2
S2=$(grep '^RT_SOCKETS=' "$SB2/servidor.env" | cut -d= -f2-)
P_SB2=$(grep '^RT_MYSQL_PORT=' "$SB2/servidor.env" | cut -d= -f2-)
cierto "cada entorno con su carpeta de sockets" test -n "$S2" -a -d "$S2" -a "$S2" != "$S"
igual "$P_SB2" "$(por_socket "$S2/mysql.sock")" "el segundo servidor contesta en su socket"
corre "$SANDBOX" destroy "$SB2"
igual 0 "$CODIGO" "destroy del segundo entorno"
cierto "destroy borra el segundo entorno y su carpeta de sockets" test ! -e "$SB2" -a ! -e "$S2"
igual "$RT_MYSQL_PORT" "$(por_socket "$RT_MYSQL_SOCKET")" "el primer servidor sigue en marcha"

# --- El mundo "como Windows".
opciones=$(my_print_defaults --defaults-file="$M/my.ini" mysqld)
contiene "$opciones" "--port=$RT_MYSQL_PORT" "my.ini: port de [mysqld] es el del servidor"
igual "--port=$RT_MYSQL_PORT" "$(my_print_defaults --defaults-file="$M/my.ini" client)" "my.ini: port de [client]"
contiene "$(cat "$M/my.ini")" "datadir=\"$M/data/\"" "my.ini: datadir entre comillas y con /"
contiene "$opciones" "--basedir=$M/" "my.ini: basedir"
igual "$M" "$("$UTIL" leeini "$RT_REGISTRO" 'HKEY_LOCAL_MACHINE\Software\MySQL AB\MySQL Server 5.1' Location)" \
    "registro: Location es la carpeta de MySQL, sin separador final"
datos=$RT_PRODUCTO/DatosQXW.ini
igual "127.0.0.1 $RT_MYSQL_PORT" \
    "$("$UTIL" leeini "$datos" QXW MySQLServer) $("$UTIL" leeini "$datos" QXW MySQLPuerto)" \
    "DatosQXW: servidor y puerto"
igual "root $CLAVE" \
    "$("$UTIL" desencripta "$("$UTIL" leeini "$datos" QXW MySQLUsuario)") $("$UTIL" desencripta "$("$UTIL" leeini "$datos" QXW MySQLPassword)")" \
    "DatosQXW: usuario y contraseña cifrados con Encripta"
no_contiene "$(cat "$datos")" "$CLAVE" "DatosQXW: la contraseña no queda en claro"
igual "$RT_PRODUCTO" "$("$UTIL" leeini "$RT_PROGRAMA/ReplicacionTesal.ini" 'Configuración' 'Ruta de Orvalo Premium')" \
    "configuración: ruta del producto"
cierto "marca de la bitácora" test -f "$RT_PROGRAMA/ReplicacionTesal_.txt"
igual "$RT_RUTA_NET/net" "$(command -v net)" "sandbox.env pone net en PATH"
igual "127.0.0.1 $RT_MYSQL_PORT Tesal2024" \
    "$(grep -E '^RT_MYSQL_(HOST|PORT|PASSWORD)=' "$SB/servidor.env" | cut -d= -f2 | tr '\n' ' ' | sed 's/ $//')" \
    "servidor.env: host, puerto y contraseña"

# El servidor: root entra desde 127.0.0.1 solo con la contraseña; las bases
# del producto tienen filas.
sin_clave() { CLAVE="" consulta "$@" >/dev/null 2>&1; }
falso "root no entra sin contraseña" sin_clave "$RT_MYSQL_PORT" -e 'SELECT 1'
con_clave() { consulta "$@" >/dev/null 2>&1; }
cierto "root entra con la contraseña" con_clave "$RT_MYSQL_PORT" -e "SELECT 1"
filas=$(for b in datos1 datos2 catalogossat concentradorqxp generalorvalo orvaloreportes; do
    t=$(consulta "$RT_MYSQL_PORT" -e "SELECT table_name FROM information_schema.tables WHERE table_schema = '$b'")
    n=$(consulta "$RT_MYSQL_PORT" -e "SELECT COUNT(*) FROM $b.$t" 2>/dev/null)
    [ "${n:-0}" -gt 0 ] && echo "$b"
done | tr '\n' ' ')
igual "datos1 datos2 catalogossat concentradorqxp generalorvalo orvaloreportes " "$filas" \
    "las seis bases del producto, cada una con filas"
contiene "$(consulta "$RT_MYSQL_PORT" -e 'SELECT descripcion FROM datos2.articulos WHERE id = 1')" \
    "Café" "los textos con acentos llegan bien"

# --- create otra vez: nada cambia, el servidor sigue.
pid=$(pid_de MySQL)
huellas=$(cd "$SB" && md5sum sandbox.env servidor.env registro.ini "$M/my.ini" "$datos")
corre "$SANDBOX" create --rtqx5util "$UTIL" "$SB"
igual 0 "$CODIGO" "sandbox create sobre un entorno existente"
igual "$huellas" "$(cd "$SB" && md5sum sandbox.env servidor.env registro.ini "$M/my.ini" "$datos")" \
    "create otra vez no cambia los archivos"
igual "$pid" "$(pid_de MySQL)" "create otra vez no reinicia el servidor"

# --- Segunda instancia como la crea el programa: copia de my.ini con otro
# puerto y otra carpeta de datos que tiene una copia de la base mysql.
P2=$(rt_puerto_libre)
mkdir -p "$SB/Replica/data/mysql"
cp -p "$M/data/mysql/"* "$SB/Replica/data/mysql/"
sed -e "s|^port=.*|port=$P2|" -e "s|^datadir=.*|datadir=\"$SB/Replica/data\"|" \
    "$M/my.ini" >"$M/QXmirror.ini"
corre "$M/bin/mysqld" --install QXmirror --defaults-file="$M/QXmirror.ini"
igual 0 "$CODIGO" "mysqld --install QXmirror"
contiene "$SALIDA" "QXmirror instalado" "mysqld --install: mensaje de éxito"
corre net start QXmirror
igual 0 "$CODIGO" "net start QXmirror"
cierto "el socket de QXmirror, en la carpeta de sockets" test -S "$S/qxmirror.sock"
igual "$P2" "$(consulta "$P2" -e 'SELECT @@port')" "root entra en el segundo servidor, en su puerto"
igual "$RT_MYSQL_PORT" "$(consulta "$RT_MYSQL_PORT" -e 'SELECT @@port')" "el primer servidor sigue en el suyo"

registro_antes=$(cat "$RT_SERVICIOS/qxmirror.servicio")
# Argumentos separados por ";" (las rutas llevan blancos).
while IFS='|' read -r descripcion argumentos mensaje; do
    IFS=';' read -r -a args <<<"$argumentos"
    corre "$M/bin/mysqld" "${args[@]}"
    igual 1 "$CODIGO" "$descripcion: código"
    contiene "$SALIDA" "$mensaje" "$descripcion: mensaje"
done <<FIN
--install de un nombre que ya existe|--install;qxmirror;--defaults-file=$M/my.ini|ya existe
--install con un archivo de opciones que falta|--install;Otra;--defaults-file=$SB/falta.ini|No existe el archivo de opciones
--install con una opción no admitida|--install;Otra;--port=1|Opción no admitida
--install de un nombre no válido|--install;a/b|Nombre de servicio no válido
--remove de un servicio en marcha|--remove;QXmirror|deténgalo antes
--remove de un servicio que no existe|--remove;Otra|no existe
FIN
igual "$registro_antes" "$(cat "$RT_SERVICIOS/qxmirror.servicio")" "los --install fallidos no cambian el registro"
cierto "un --install fallido no registra nada" test ! -e "$RT_SERVICIOS/otra.servicio"
igual "$("$(rt_mariadbd)" --version)" "$("$M/bin/mysqld" --version)" "mysqld con otras opciones corre mariadbd"

# --- stop y start del entorno.
corre "$SANDBOX" stop "$SB"
igual 0 "$CODIGO" "sandbox stop"
falso "sandbox stop detiene el servidor principal" contesta "$RT_MYSQL_PORT"
falso "sandbox stop detiene el segundo" contesta "$P2"
corre "$SANDBOX" start "$SB"
igual 0 "$CODIGO" "sandbox start"
igual 1 "$(consulta "$RT_MYSQL_PORT" -e 'SELECT 1')" "sandbox start arranca el servicio MySQL"
corre net start QXmirror
corre "$M/bin/mysqld" --remove QXmirror
igual 1 "$CODIGO" "--remove de un servicio en marcha sigue negándose"

# --- Un servidor lanzado a mano con la envoltura también se termina.
P3=$(rt_puerto_libre)
mkdir -p "$SB/Mano"
cp -a "$SB/Replica/data" "$SB/Mano/"
setsid "$M/bin/mysqld" --defaults-file="$M/QXmirror.ini" --user=root --port="$P3" \
    --datadir="$SB/Mano/data" --socket="$S/mano.sock" --pid-file="$SB/Mano/s.pid" \
    --log-error="$SB/Mano/s.err" --bind-address=127.0.0.1 </dev/null >/dev/null 2>&1 &
for _ in $(seq 100); do contesta "$P3" && break; sleep 0.1; done
cierto "servidor a mano en marcha" contesta "$P3"

# --- destroy: ningún proceso ni archivo queda.
pids=$(for s in mysql qxmirror; do pid_de "$s"; echo; done)
corre "$SANDBOX" destroy "$SB"
igual 0 "$CODIGO" "sandbox destroy"
cierto "destroy borra la carpeta" test ! -e "$SB"
cierto "destroy borra la carpeta de sockets" test ! -e "$S"
for p in $pids; do falso "destroy termina el servidor $p" rt_pid_vivo "$p"; done
for p in "$RT_MYSQL_PORT" "$P2" "$P3"; do falso "destroy cierra el puerto $p" contesta "$p"; done
igual 0 "$(pgrep -f -c -- "$SB/")" "no queda ningún proceso que use el entorno"
corre "$SANDBOX" destroy "$SB"
igual 0 "$CODIGO" "destroy de un entorno que ya no existe"

# --- destroy no borra una carpeta que no es un entorno de prueba.
mkdir -p "$T/ajena"
echo dato >"$T/ajena/archivo"
corre "$SANDBOX" destroy "$T/ajena"
igual 1 "$CODIGO" "destroy de una carpeta ajena: código"
cierto "destroy de una carpeta ajena no la borra" test -f "$T/ajena/archivo"
corre "$SANDBOX" create --rtqx5util "$UTIL" "$T/ajena"
igual 1 "$CODIGO" "create en una carpeta ajena no vacía: código"
igual "archivo" "$(ls -A "$T/ajena")" "create en una carpeta ajena no la toca"

termina
