# shellcheck shell=bash
# Registro de servicios del sustituto de los servicios de Windows en Linux.
# Lo comparten tools/net y la envoltura de mysqld (tools/mysqld-envoltura).
#
# Carpeta de servicios: $RT_SERVICIOS (por omisión <repo>/build/sandbox/servicios).
# Cada servicio es un archivo <clave>.servicio, donde <clave> es el nombre en
# minúsculas (Windows no distingue mayúsculas en los nombres de servicio):
#     nombre=QXmirror
#     arg=/usr/sbin/mariadbd
#     arg=--defaults-file=/ruta/QXmirror.ini
#     ...
# Junto a él: <clave>.pid (pid y hora de arranque del proceso que lanzó net
# start), <clave>.salida (su salida de consola) y, para un servidor MariaDB,
# <clave>.mysqld.pid y <clave>.err. Su socket, <clave>.sock, va en la carpeta
# de sockets (rt_dir_sockets).
# Toda operación toma un flock sobre la propia carpeta: dos llamadas a la vez
# no se pisan, y el bloqueo no deja archivos.

RT_HERRAMIENTAS=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
RT_DIR_SERVICIOS=${RT_SERVICIOS:-$RT_HERRAMIENTAS/../build/sandbox/servicios}

# Mensaje de error en stderr.
rt_error() { printf '%s\n' "$*" >&2; }

# Nombre de servicio aceptable como nombre de archivo: letras, dígitos, "_",
# "-" y "." (sin empezar por "."), hasta 64 caracteres.
rt_nombre_valido() { [[ $1 =~ ^[A-Za-z0-9_][A-Za-z0-9_.-]{0,63}$ ]]; }

rt_clave() { printf '%s' "${1,,}"; }

rt_archivo() { printf '%s/%s.%s' "$RT_DIR_SERVICIOS" "$(rt_clave "$1")" "$2"; }

# Largo máximo de la ruta de un socket de Unix.
RT_MAX_SOCKET=107

# Carpeta de los sockets de los servidores: la que señala el enlace "sockets"
# de la carpeta de servicios (tools/sandbox la crea corta, en la carpeta
# temporal, para que la ruta no dependa de dónde esté el entorno); sin enlace,
# la propia carpeta de servicios.
rt_dir_sockets() {
    if [ -L "$RT_DIR_SERVICIOS/sockets" ]; then
        readlink "$RT_DIR_SERVICIOS/sockets"
    else
        printf '%s' "$RT_DIR_SERVICIOS"
    fi
}

rt_socket() { printf '%s/%s.sock' "$(rt_dir_sockets)" "$(rt_clave "$1")"; }

# Toma el bloqueo exclusivo de la carpeta de servicios (espera a quien lo tenga).
# Devuelve 1 con un mensaje si la carpeta no existe o no es una carpeta.
rt_bloquea() {
    if [ ! -d "$RT_DIR_SERVICIOS" ]; then
        rt_error "La carpeta de servicios $RT_DIR_SERVICIOS no existe o no es una carpeta."
        return 1
    fi
    exec {RT_FD_BLOQUEO}<"$RT_DIR_SERVICIOS" || return 1
    if ! flock -w 180 "$RT_FD_BLOQUEO"; then
        rt_error "La carpeta de servicios $RT_DIR_SERVICIOS está ocupada por otra operación."
        return 1
    fi
}

# Comprueba que se puede escribir en la carpeta de servicios creando y
# borrando un archivo de prueba (como root los permisos no bastan para saberlo).
rt_carpeta_escribible() {
    local prueba
    if ! prueba=$(mktemp "$RT_DIR_SERVICIOS/.prueba.XXXXXX" 2>/dev/null); then
        rt_error "No se puede escribir en la carpeta de servicios $RT_DIR_SERVICIOS."
        return 1
    fi
    rm -f "$prueba"
}

# Escribe un archivo de una vez: temporal en la misma carpeta y rename.
# Uso: rt_escribe_atomico ARCHIVO <<< contenido
rt_escribe_atomico() {
    local destino=$1 tmp
    tmp=$(mktemp "$destino.XXXXXX.tmp") || return 1
    if ! cat >"$tmp"; then
        rm -f "$tmp"
        return 1
    fi
    # mktemp crea con 0600: se deja el modo del original, o 0644 si es nuevo.
    if [ -e "$destino" ]; then
        chmod --reference="$destino" "$tmp"
    else
        chmod 644 "$tmp"
    fi
    mv -f "$tmp" "$destino"
}

# Lee el servicio NOMBRE: deja su nombre registrado en SERVICIO_NOMBRE y su
# línea de órdenes en el arreglo SERVICIO_ARGS. Devuelve 1 si no existe.
rt_lee_servicio() {
    local archivo linea
    archivo=$(rt_archivo "$1" servicio)
    SERVICIO_NOMBRE=
    SERVICIO_ARGS=()
    [ -f "$archivo" ] || return 1
    while IFS= read -r linea || [ -n "$linea" ]; do
        case $linea in
            nombre=*) SERVICIO_NOMBRE=${linea#nombre=} ;;
            arg=*) SERVICIO_ARGS+=("${linea#arg=}") ;;
        esac
    done <"$archivo"
    [ -n "$SERVICIO_NOMBRE" ] || SERVICIO_NOMBRE=$1
    [ ${#SERVICIO_ARGS[@]} -gt 0 ]
}

# Registra NOMBRE con la línea de órdenes ARG…; no revisa si ya existe.
rt_escribe_servicio() {
    local nombre=$1 a
    shift
    for a in "$@"; do
        if [[ $a == *$'\n'* || $a == *$'\r'* ]]; then
            rt_error "Un argumento del servicio $nombre contiene un salto de línea."
            return 1
        fi
    done
    {
        printf '# Servicio registrado por mysqld --install; lo arranca y detiene net.\n'
        printf 'nombre=%s\n' "$nombre"
        printf 'arg=%s\n' "$@"
    } | rt_escribe_atomico "$(rt_archivo "$nombre" servicio)"
}

# Hora de arranque de un proceso (campo 22 de /proc/PID/stat), vacía si no
# existe. Distingue un proceso de otro que reutilice el mismo pid.
rt_hora_proceso() {
    local stat
    stat=$(cat "/proc/$1/stat" 2>/dev/null) || return 1
    stat=${stat##*) }
    # Tras el nombre: estado es el campo 3; la hora de arranque, el 22.
    set -- $stat
    printf '%s' "${20}"
}

# Cierto si el pid vive y no es un zombi (aquí nadie recoge a los huérfanos).
rt_pid_vivo() {
    local stat
    stat=$(cat "/proc/$1/stat" 2>/dev/null) || return 1
    stat=${stat##*) }
    [ "${stat:0:1}" != Z ] && [ "${stat:0:1}" != X ]
}

# Pid del servicio si está en marcha (en SERVICIO_PID); si su archivo de pid
# quedó de un proceso que ya terminó, lo borra y devuelve 1.
rt_servicio_activo() {
    local archivo pid hora
    archivo=$(rt_archivo "$1" pid)
    SERVICIO_PID=
    [ -f "$archivo" ] || return 1
    read -r pid hora <"$archivo" || true
    if [[ $pid =~ ^[0-9]+$ ]] && rt_pid_vivo "$pid" && [ "$(rt_hora_proceso "$pid")" = "$hora" ]; then
        SERVICIO_PID=$pid
        return 0
    fi
    rm -f "$archivo"
    return 1
}

# Valor de la opción --NOMBRE=… en los argumentos (la última gana, como en
# mysqld); "-" y "_" son el mismo carácter en los nombres de opción.
rt_opcion() {
    local nombre=${1//_/-} a valor='' encontrada=1 n
    shift
    for a in "$@"; do
        [[ $a == --*=* ]] || continue
        n=${a%%=*}
        n=${n#--}
        n=${n//_/-}
        if [ "$n" = "$nombre" ]; then
            valor=${a#*=}
            encontrada=0
        fi
    done
    printf '%s' "$valor"
    return $encontrada
}

# Lo que leería el servidor de ARCHIVO (grupos de servidor de MariaDB), una
# opción por línea.
rt_opciones_archivo() {
    my_print_defaults --defaults-file="$1" mysqld server mysqld-10.11 mariadb mariadb-10.11 \
        mariadbd client-server 2>/dev/null
}

# Programa real del servidor MariaDB.
rt_mariadbd() {
    if [ -n "${RT_MARIADBD:-}" ]; then
        printf '%s' "$RT_MARIADBD"
    elif command -v mariadbd >/dev/null 2>&1; then
        command -v mariadbd
    else
        printf '%s' /usr/sbin/mariadbd
    fi
}

# Un puerto TCP libre de 127.0.0.1.
rt_puerto_libre() {
    if command -v python3 >/dev/null 2>&1; then
        python3 -c 'import socket
s = socket.socket()
s.bind(("127.0.0.1", 0))
print(s.getsockname()[1])
s.close()' && return
    fi
    local p
    while :; do
        p=$((20000 + RANDOM % 40000))
        if ! (exec 3<>"/dev/tcp/127.0.0.1/$p") 2>/dev/null; then
            echo "$p"
            return
        fi
    done
}
