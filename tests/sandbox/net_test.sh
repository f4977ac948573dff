#!/usr/bin/env bash
# net start / net stop sobre un servidor MariaDB real.
source "$(dirname "$0")/lib-pruebas.sh"

mkdir -p "$T/mysql" "$RT_SERVICIOS"
datos_nuevos "$T/datos" || exit 1
PUERTO=$(rt_puerto_libre)
INI=$T/mysql/my.ini
cat >"$INI" <<FIN
[client]
port=$PUERTO
[mysqld]
port=$PUERTO
datadir="$T/datos/"
innodb_log_file_size=10M
FIN
export RT_MYSQL_CARPETA=$T/mysql
corre "$ENVOLTURA" --install MySQL --defaults-file="$INI"
igual 0 "$CODIGO" "mysqld --install MySQL"

# --- Órdenes mal dadas: mensaje, código 2 y nada cambia.
antes=$(ls -A "$RT_SERVICIOS")
while IFS='|' read -r descripcion argumentos mensaje; do
    read -r -a args <<<"$argumentos"
    corre "$NET" "${args[@]}"
    igual 2 "$CODIGO" "$descripcion: código"
    contiene "$SALIDA" "$mensaje" "$descripcion: mensaje"
done <<'FIN'
sin argumentos||Uso: net start NOMBRE
start sin nombre|start|Uso: net start NOMBRE
orden desconocida|pause MySQL|Uso: net start NOMBRE
start de más|start MySQL otro|Uso: net start NOMBRE
start de un servicio que no existe|start Inexistente|no hay ningún servicio llamado Inexistente
stop de un servicio que no existe|stop Inexistente|no hay ningún servicio llamado Inexistente
query de un servicio que no existe|query Inexistente|no hay ningún servicio llamado Inexistente
nombre con ruta|start ../servicios/mysql|no hay ningún servicio llamado ../servicios/mysql
FIN
igual "$antes" "$(ls -A "$RT_SERVICIOS")" "las órdenes mal dadas no tocan la carpeta de servicios"
(
    export RT_SERVICIOS=$T/no-existe
    corre "$NET" start MySQL
    igual 2 "$CODIGO" "carpeta de servicios inexistente: código"
    cierto "carpeta de servicios inexistente: no se crea" test ! -e "$T/no-existe"
)

# --- Arranque: un cliente entra; el nombre no distingue mayúsculas.
corre "$NET" start mysql
igual 0 "$CODIGO" "net start mysql"
contiene "$SALIDA" "El servicio MySQL se está iniciando." "net start: aviso de inicio"
contiene "$SALIDA" "El servicio MySQL se inició correctamente." "net start: aviso de éxito"
igual 1 "$(consulta "$PUERTO" -e 'SELECT 1' 2>&1)" "tras net start un cliente entra en el puerto $PUERTO"
pid=$(pid_de MySQL)
cierto "net start anota el pid del servidor" test -n "$pid"
args=()
[ -n "$pid" ] && mapfile -d '' -t args <"/proc/$pid/cmdline"
igual "--defaults-file=$INI" "${args[1]:-}" "--defaults-file es el primer argumento del servidor"
contiene "${args[*]}" "--bind-address=127.0.0.1" "el servidor escucha solo en 127.0.0.1"

corre "$NET" query mysql
igual 0 "$CODIGO" "net query de un servicio existente: código"
contiene "$SALIDA" "El servicio MySQL existe y está iniciado." "net query: estado"

corre "$NET" start MYSQL
igual 2 "$CODIGO" "net start de un servicio ya iniciado: código"
contiene "$SALIDA" "ya está iniciado" "net start de un servicio ya iniciado: mensaje"
igual "$pid" "$(pid_de MySQL)" "el segundo net start no lanza otro servidor"

# --- Parada: el puerto se cierra y el proceso desaparece.
corre "$NET" stop MySQL
igual 0 "$CODIGO" "net stop MySQL"
contiene "$SALIDA" "El servicio MySQL se detuvo correctamente." "net stop: aviso de éxito"
falso "tras net stop el puerto está cerrado" contesta "$PUERTO"
falso "tras net stop el proceso ya no vive" rt_pid_vivo "$pid"
cierto "tras net stop no queda archivo de pid" test ! -e "$RT_SERVICIOS/mysql.pid"
corre "$NET" stop mysql
igual 2 "$CODIGO" "net stop de un servicio detenido: código"
contiene "$SALIDA" "no está iniciado" "net stop de un servicio detenido: mensaje"

# --- Un archivo de pid de otro proceso (pid reutilizado) no cuenta como
# servicio iniciado, ni net stop lo mata.
sleep 300 &
ajeno=$!
echo "$ajeno 1" >"$RT_SERVICIOS/mysql.pid"
corre "$NET" stop MySQL
igual 2 "$CODIGO" "net stop con un pid ajeno: no lo toma por el servicio"
cierto "net stop no mata un proceso ajeno" rt_pid_vivo "$ajeno"
echo "$ajeno $(rt_hora_proceso "$ajeno")1" >"$RT_SERVICIOS/mysql.pid"
corre "$NET" start MySQL
igual 0 "$CODIGO" "net start con un pid ajeno anotado arranca el servicio"
kill "$ajeno"

# --- Dos llamadas a la vez: una hace el trabajo, la otra recibe el aviso.
"$NET" stop MySQL >/dev/null 2>&1
# Corre la misma orden net dos veces a la vez; deja los dos códigos, ordenados.
dos_a_la_vez() {
    "$NET" "$@" >"$T/a" 2>&1 &
    local a=$!
    "$NET" "$@" >"$T/b" 2>&1 &
    local b=$!
    wait $a
    local ca=$?
    wait $b
    local cb=$?
    CODIGOS=$(printf '%s\n' "$ca" "$cb" | sort | tr '\n' ' ' | sed 's/ $//')
}
dos_a_la_vez start MySQL
igual "0 2" "$CODIGOS" "dos net start a la vez: uno arranca, el otro avisa"
igual 1 "$(pgrep -f -c -- "--defaults-file=$INI")" "dos net start a la vez: un solo servidor"
dos_a_la_vez stop MySQL
igual "0 2" "$CODIGOS" "dos net stop a la vez: uno detiene, el otro avisa"
igual 0 "$(ls "$RT_SERVICIOS" | grep -c -E 'tmp|prueba')" "no quedan archivos temporales"

# --- Un servidor que rechaza una opción: código 2 y el rechazo a la vista.
cp "$INI" "$T/bueno.ini"
echo "master-host=10.0.0.1" >>"$INI"
corre "$NET" start MySQL
igual 2 "$CODIGO" "servidor que rechaza master-host: código"
contiene "$SALIDA" "no pudo iniciarse" "servidor que rechaza master-host: aviso"
contiene "$SALIDA" "unknown variable 'master-host=10.0.0.1'" "servidor que rechaza master-host: el rechazo se muestra"
igual "" "$(pid_de MySQL)" "servidor que rechaza master-host: no queda servicio iniciado"
falso "servidor que rechaza master-host: el puerto sigue cerrado" contesta "$PUERTO"
cp "$T/bueno.ini" "$INI"

# --- Carpeta de servicios en la que no se puede escribir: nada cambia.
if [ "$(id -u)" != 0 ]; then
    chmod a-w "$RT_SERVICIOS"
    inmutable=1
elif chattr +i "$RT_SERVICIOS" 2>/dev/null; then
    inmutable=1
else
    inmutable=0
    echo "omitida: chattr +i no se admite aquí (carpeta no escribible)"
fi
if [ "$inmutable" = 1 ]; then
    corre "$NET" start MySQL
    igual 2 "$CODIGO" "carpeta de servicios no escribible: código"
    contiene "$SALIDA" "No se puede escribir en la carpeta de servicios" "carpeta no escribible: mensaje"
    falso "carpeta no escribible: no arranca ningún servidor" contesta "$PUERTO"
    chattr -i "$RT_SERVICIOS" 2>/dev/null
    chmod u+w "$RT_SERVICIOS"
fi

# --- Un servicio que no atiende SIGTERM: tras la espera, SIGKILL y aviso.
rt_escribe_servicio Terco /bin/bash -c 'trap "" TERM; while :; do sleep 0.2; done'
corre "$NET" start terco
igual 0 "$CODIGO" "net start de un programa cualquiera"
pid=$(pid_de Terco)
RT_NET_ESPERA=1 corre "$NET" stop Terco
igual 0 "$CODIGO" "net stop de un servicio que ignora SIGTERM"
contiene "$SALIDA" "se fuerza su terminación" "net stop avisa del SIGKILL"
falso "el servicio terco ya no vive" rt_pid_vivo "$pid"

termina
