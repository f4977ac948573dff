#!/usr/bin/env bash
# El programa de Windows tal como se entrega, bajo Wine (lo corre
# tools/test-windows, con WINEPREFIX y DISPLAY ya puestos):
#   1. cada binario del zip importa solo DLL que van en la carpeta o que son
#      del sistema; el zip mide a lo más 40 MB;
#   2. desempacado en C:\Herramientas\Replicación Tesal, con el valor
#      "Location" del registro puesto con "wine reg add", los datos del
#      producto en C:\orvalopremium y un MariaDB del lado de Linux: la ventana
#      principal muestra el servidor y la carpeta de MySQL, crea el archivo de
#      configuración en la página 1252 con CR LF, F1 abre la descripción y
#      cerrar pregunta; la ventana del maestro lista las bases "datos…" por el
#      cliente de Windows. Capturas en build/windows-app/capturas/.
# Lo que muestra cada ventana lo anota el propio programa (RT_ANOTA_VENTANAS);
# las teclas y el cierre los manda aux_ventanas.exe por Win32.
#   tests/win32/programa.sh ZIP RT_CAPTURA
set -euo pipefail
raiz=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
zip=$1
captura=$2
aux="$raiz/build/windows/tests/win32/aux_ventanas.exe"
capturas="$raiz/build/windows-app/capturas"
mingw=x86_64-w64-mingw32

fallas=0
falla() {
    echo "FALLA: $*" >&2
    fallas=$((fallas + 1))
}
bien() { echo "bien: $*"; }

tmp=$(mktemp -d)
entorno="$tmp/entorno"
wine_pid=
limpia() {
    local estado=$?
    [ -n "$wine_pid" ] && kill "$wine_pid" 2>/dev/null || true
    "$raiz/tools/sandbox" destroy "$entorno" >/dev/null 2>&1 || true
    rm -rf "$tmp"
    exit "$estado"
}
trap limpia EXIT

# ---- 1. El paquete ----------------------------------------------------------
tamano=$(stat -c %s "$zip")
[ "$tamano" -le $((40 * 1024 * 1024)) ] && bien "zip de $((tamano / 1024)) KB" ||
    falla "el zip mide $tamano bytes (más de 40 MB)"

app="$WINEPREFIX/drive_c/Herramientas/Replicación Tesal"
mkdir -p "$(dirname "$app")"
unzip -q "$zip" -d "$tmp/zip"
mv "$tmp/zip/ReplicacionTesal" "$app"

# DLL de Windows que todo Windows 10/11 trae (las que importan Qt, el cliente
# de MariaDB y el runtime de mingw-w64).
sistema=$(echo " advapi32.dll authz.dll bcrypt.dll comdlg32.dll crypt32.dll d3d11.dll d3d9.dll dwmapi.dll
 dwrite.dll dxgi.dll gdi32.dll imm32.dll iphlpapi.dll kernel32.dll mpr.dll msvcrt.dll ncrypt.dll
 netapi32.dll ole32.dll oleaut32.dll secur32.dll setupapi.dll shcore.dll shell32.dll shlwapi.dll
 user32.dll userenv.dll uxtheme.dll version.dll winmm.dll ws2_32.dll wtsapi32.dll " | tr '\n' ' ')
faltan=0
while IFS= read -r -d '' binario; do
    while read -r dll; do
        minus=${dll,,}
        if [ -e "$app/$dll" ] || [[ "$sistema" == *" $minus "* ]] || [[ "$minus" == api-ms-win-* ]]; then
            continue
        fi
        falla "${binario#"$app"/} importa $dll, que no está en la carpeta ni es del sistema"
        faltan=1
    done < <($mingw-objdump -p "$binario" | sed -n 's/^\s*DLL Name: //p')
done < <(find "$app" \( -name '*.exe' -o -name '*.dll' \) -print0)
[ "$faltan" = 0 ] && bien "las importaciones de $(find "$app" -name '*.dll' -o -name '*.exe' | wc -l) binarios"
for f in ReplicacionTesal.exe Qt6Core.dll Qt6Gui.dll Qt6Widgets.dll platforms/qwindows.dll \
         styles/qwindowsvistastyle.dll libmariadb.dll plugin/caching_sha2_password.dll \
         plugin/sha256_password.dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll; do
    [ -e "$app/$f" ] || falla "falta $f en la carpeta"
done

# El manifiesto y la versión del ejecutable.
strings -n 8 "$app/ReplicacionTesal.exe" >"$tmp/cadenas"
grep -q 'requestedExecutionLevel level="requireAdministrator"' "$tmp/cadenas" &&
    bien "el manifiesto pide administrador" || falla "el manifiesto no pide administrador"

# ---- 2. El mundo del técnico y el servidor ----------------------------------
"$raiz/tools/sandbox" create --nuevo "$entorno" >"$tmp/sandbox.log" 2>&1 ||
    { cat "$tmp/sandbox.log" >&2; echo "no arrancó el MariaDB de la prueba" >&2; exit 1; }
mysql_win='C:\Program Files\MySQL\MySQL Server 5.1'
mysql_dir="$WINEPREFIX/drive_c/Program Files/MySQL/MySQL Server 5.1"
mkdir -p "$mysql_dir/bin" "$mysql_dir/data"
printf '[client]\r\nport=3306\r\n\r\n[mysqld]\r\nport=3306\r\nbasedir="C:/Program Files/MySQL/MySQL Server 5.1/"\r\ndatadir="C:/Program Files/MySQL/MySQL Server 5.1/data/"\r\n' \
    >"$mysql_dir/my.ini"
wine reg add 'HKLM\Software\MySQL AB\MySQL Server 5.1' /v Location /t REG_SZ /d "$mysql_win" /f \
    >/dev/null 2>&1
# Los datos del producto como los pone el entorno de Linux (usuario y clave
# revueltos), en la carpeta del producto por omisión.
mkdir -p "$WINEPREFIX/drive_c/orvalopremium"
sed 's/$/\r/' "$entorno/Orvalo Premium/DatosQXW.ini" >"$WINEPREFIX/drive_c/orvalopremium/DatosQXW.ini"
# Sin archivo de configuración: el programa lo crea.
ini="$app/ReplicacionTesal.ini"
rm -f "$ini"

mkdir -p "$capturas"
anotado="$tmp/ventanas.txt"
titulo='Replicación Tesal   v 1.0.0'
ventana() { wine "$aux" "$@" </dev/null 2>/dev/null; }
# La captura es un programa de Qt de Linux: en el Xvfb de la etapa (xcb).
captura() { QT_QPA_PLATFORM=xcb "$captura" "$@" 2>/dev/null; }

# Arranca el programa con lo que pida el entorno; espera su ventana principal.
abre() {
    : >"$anotado"
    # Solo lo del zip: sin las DLL ni los complementos de la construcción. La
    # página ANSI de un Windows en español (es_ES: 1252).
    (cd "$app" && env -u WINEPATH -u WINEQT_PLUGIN_PATH -u WINEQT_QPA_PLATFORM LC_ALL=es_ES.UTF-8 \
        RT_ANOTA_VENTANAS="$(winepath -w "$anotado")" "$@" \
        wine "C:\\Herramientas\\Replicación Tesal\\ReplicacionTesal.exe" </dev/null \
        >"$tmp/programa.log" 2>&1) &
    wine_pid=$!
    ventana espera "$titulo" 30000 || { falla "no apareció la ventana principal"; return 1; }
}
anotado_tiene() { grep -qF -- "$1" "$anotado"; }

# Cierra como Alt+F4: debe llegar la pregunta y, con Enter (Sí por omisión),
# terminar el programa.
cierra() {
    ventana cierra "$titulo"
    if ventana espera Finalizar 10000 && anotado_tiene 'caja «Finalizar» «¿Desea cerrar este programa?»'; then
        bien "cerrar pregunta «¿Desea cerrar este programa?»"
        ventana tecla Finalizar ENTER
    else
        falla "cerrar no preguntó"
    fi
    for _ in $(seq 100); do kill -0 "$wine_pid" 2>/dev/null || break; sleep 0.1; done
    if kill -0 "$wine_pid" 2>/dev/null; then
        falla "el programa no terminó"
        kill "$wine_pid" 2>/dev/null || true
    else
        wait "$wine_pid" && bien "el programa terminó con 0" || falla "el programa terminó con $?"
    fi
    wine_pid=
}

# ---- 3. Arranque, descripción y cierre ---------------------------------------
if abre; then
    bien "la ventana principal «$titulo»"
    anotado_tiene 'lblMuestra_0 «127.0.0.1»' && bien "el servidor del producto: 127.0.0.1" ||
        falla "la ventana principal no muestra el servidor 127.0.0.1"
    anotado_tiene "lblMuestra_1 «$mysql_win»" && bien "la carpeta de MySQL: $mysql_win" ||
        falla "la ventana principal no muestra la carpeta de MySQL"
    captura "$capturas/principal.png" 15000 && bien "captura $capturas/principal.png" ||
        falla "sin captura de la ventana principal"
    # El archivo de configuración, nuevo: página 1252 y CR LF.
    if [ -f "$ini" ] && grep -q $'^\[Configuraci\xf3n\]\r$' "$ini" &&
        grep -q $'^Ruta de Orvalo Premium=C:\\\\orvalopremium\r$' "$ini" &&
        grep -q $'^Base de datos principal=datos1\r$' "$ini"; then
        bien "ReplicacionTesal.ini en 1252 con CR LF"
    else
        falla "ReplicacionTesal.ini no está en 1252 con CR LF: $(od -c "$ini" 2>&1 | head -5)"
    fi
    ventana tecla "$titulo" F1
    if ventana espera 'Descripción del programa' 10000 &&
        anotado_tiene 'ventana frmDescripcion «Descripción del programa»'; then
        bien "F1 abre «Descripción del programa»"
    else
        falla "F1 no abrió la descripción"
    fi
    cierra
fi

# ---- 4. La ventana del maestro por el cliente de Windows ---------------------
if abre RT_ABRE_OPCION=1; then
    if ventana espera 'Replicación servidor MAESTRO' 20000; then
        sleep 1
        if anotado_tiene 'lstBdeDs «datos1|datos2»'; then
            bien "el maestro lista datos1 y datos2"
        else
            falla "el maestro no lista las bases: $(grep lstBdeDs "$anotado" || cat "$anotado")"
        fi
        captura "$capturas/maestro.png" 15000 && bien "captura $capturas/maestro.png" ||
            falla "sin captura de la ventana del maestro"
        ventana cierra 'Replicación servidor MAESTRO'
        ventana falta 'Replicación servidor MAESTRO' 10000 || falla "la ventana del maestro no cerró"
    else
        falla "no se abrió la ventana del maestro: $(wine "$aux" lista 2>/dev/null | tr '\n' '|')"
    fi
    cierra
fi

echo "Programa de Windows: $fallas fallas"
[ "$fallas" = 0 ]
