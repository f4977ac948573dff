# shellcheck shell=bash
# Lo común de las mediciones con servidores MariaDB propios (tools/bench-copia,
# tools/bench-verificacion): la construcción Release en build/bench, una
# carpeta temporal que se borra al salir y servidores en puertos libres de
# 127.0.0.1 que se detienen al salir, con root y la contraseña $clave.
#   mediciones_construye DESTINO…   construye los programas de medición
#   servidor NOMBRE PUERTO OPCIONES…
#   libre                           un puerto libre de 127.0.0.1
# Deja $raiz, $dir (la construcción), $tmp y $clave.

raiz=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
dir="$raiz/build/bench"
clave=Bench2024

mediciones_construye() {
    cmake -S "$raiz" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$dir" -j2 --target "$@" >/dev/null ||
        { echo "No se pudo construir $*" >&2; exit 1; }
}

export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
tmp=$(mktemp -d /tmp/mediciones.XXXXXX)
export XDG_RUNTIME_DIR=$tmp/xdg
mkdir -m 700 "$XDG_RUNTIME_DIR"
pids=()
termina() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    for p in "${pids[@]}"; do wait "$p" 2>/dev/null || true; done
    rm -rf "$tmp"
}
trap termina EXIT

libre() {
    python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'
}

servidor() {
    local d=$tmp/$1 usuario=()
    [ "$(id -u)" = 0 ] && usuario=(--user=root)
    mariadb-install-db --no-defaults --datadir="$d" "${usuario[@]}" \
        --auth-root-authentication-method=normal --skip-test-db >/dev/null
    mariadbd --no-defaults --datadir="$d" --socket="$d.sock" --port="$2" \
        --bind-address=127.0.0.1 --pid-file="$d.pid" --log-error="$d.err" \
        "${usuario[@]}" "${@:3}" 2>/dev/null &
    pids+=($!)
    for _ in $(seq 100); do
        mariadb-admin --no-defaults -h127.0.0.1 -P"$2" -uroot ping >/dev/null 2>&1 && break
        sleep 0.1
    done
    mariadb --no-defaults --protocol=tcp -h127.0.0.1 -P"$2" -uroot \
        -e "CREATE USER IF NOT EXISTS 'root'@'127.0.0.1';
            GRANT ALL ON *.* TO 'root'@'127.0.0.1' WITH GRANT OPTION;
            ALTER USER 'root'@'127.0.0.1' IDENTIFIED BY '$clave';
            ALTER USER 'root'@'localhost' IDENTIFIED BY '$clave';" 2>&1 >/dev/null
}
