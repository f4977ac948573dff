# shellcheck shell=bash
# Ayudas de las pruebas de los sustitutos de Windows (net, mysqld, sandbox).
# Cada prueba trabaja en su carpeta temporal y, al salir por donde sea, detiene
# todo lo que arrancó y la borra.
set -uo pipefail

HERRAMIENTAS=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../tools" && pwd)
NET=$HERRAMIENTAS/net
ENVOLTURA=$HERRAMIENTAS/mysqld-envoltura
FALLAS=0
T=$(mktemp -d)
export RT_SERVICIOS=$T/servicios
# Las pruebas no deben esperar un minuto por un servidor que no arranca.
export RT_NET_ESPERA=${RT_NET_ESPERA:-30}
# shellcheck source=../../tools/lib-servicios.sh
source "$HERRAMIENTAS/lib-servicios.sh"

ok() { echo "ok: $1"; }
mal() {
    echo "FALLA: $1" >&2
    FALLAS=$((FALLAS + 1))
}

# igual ESPERADO OBTENIDO DESCRIPCIÓN
igual() { if [ "$1" = "$2" ]; then ok "$3"; else mal "$3: se esperaba «$1», se obtuvo «$2»"; fi; }
# contiene TEXTO PARTE DESCRIPCIÓN
contiene() { if [[ $1 == *"$2"* ]]; then ok "$3"; else mal "$3: «$2» no está en: $1"; fi; }
no_contiene() { if [[ $1 != *"$2"* ]]; then ok "$3"; else mal "$3: «$2» no debía estar en: $1"; fi; }
cierto() {
    local d=$1
    shift
    if "$@"; then ok "$d"; else mal "$d"; fi
}
falso() {
    local d=$1
    shift
    if "$@"; then mal "$d"; else ok "$d"; fi
}

# Corre una orden y deja su salida (stdout y stderr juntos, por una tubería
# como la del ejecutor) en SALIDA y su código en CODIGO. Quien deje la tubería
# abierta (un servidor que la heredó) hace fallar la prueba en vez de colgarla.
corre() {
    local estados
    "$@" 2>&1 | timeout 60 cat >"$T/.salida"
    estados=("${PIPESTATUS[@]}")
    CODIGO=${estados[0]}
    SALIDA=$(cat "$T/.salida")
    [ "${estados[1]}" = 0 ] || mal "la salida de «$*» no se cerró al terminar la orden"
}

# Cierto si un servidor contesta en el puerto TCP de 127.0.0.1.
contesta() {
    mariadb-admin --no-defaults --protocol=tcp -h 127.0.0.1 -P "$1" --connect-timeout=2 -u nadie \
        ping >/dev/null 2>&1
}

# Consulta como root (contraseña opcional en CLAVE).
consulta() {
    local puerto=$1
    shift
    MYSQL_PWD=${CLAVE:-} mariadb --no-defaults --protocol=tcp -h 127.0.0.1 -P "$puerto" -u root \
        --batch --skip-column-names "$@"
}

# Pid registrado de un servicio, vacío si no lo hay.
pid_de() { rt_servicio_activo "$1" && printf '%s' "$SERVICIO_PID"; }

# Carpeta de datos nueva con la base mysql (root sin contraseña).
datos_nuevos() {
    local usuario=()
    [ "$(id -u)" = 0 ] && usuario=(--user=root)
    mariadb-install-db --no-defaults --datadir="$1" "${usuario[@]}" \
        --auth-root-authentication-method=normal --skip-test-db --innodb-log-file-size=10M \
        >"$T/instalacion.log" 2>&1 || {
        cat "$T/instalacion.log" >&2
        return 1
    }
}

# Detiene lo que quede de la prueba y borra la carpeta.
limpia() {
    local archivo pid
    command -v chattr >/dev/null && chattr -R -i "$T" 2>/dev/null
    chmod -R u+w "$T" 2>/dev/null
    while IFS= read -r -d '' archivo; do
        read -r pid _ <"$archivo"
        [[ $pid =~ ^[0-9]+$ ]] && kill -KILL "$pid" 2>/dev/null
    done < <(find "$T" -path '*/servicios/*.pid' -print0 2>/dev/null)
    # destroy borra también la carpeta de sockets, fuera de $T.
    while IFS= read -r -d '' archivo; do
        "$HERRAMIENTAS/sandbox" destroy "$(dirname "$archivo")" >/dev/null 2>&1
    done < <(find "$T" -name .sandbox-rtqx5 -print0 2>/dev/null)
    rm -rf "$T"
}
trap limpia EXIT

termina() {
    if [ "$FALLAS" -gt 0 ]; then
        echo "$FALLAS comprobaciones fallaron." >&2
        exit 1
    fi
    echo "Todas las comprobaciones pasaron."
    exit 0
}
