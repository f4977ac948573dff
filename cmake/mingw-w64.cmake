# Toolchain file: cross build for 64-bit Windows with Debian's mingw-w64 (the
# -posix variant, whose std::thread and std::mutex work); tests run under Wine.
#
# The whole program, with Qt and MariaDB Connector/C for Windows from
# tools/dependencias-windows:
#   cmake -S . -B build/windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
#         -DRT_DEPENDENCIAS_WINDOWS="$(tools/dependencias-windows)"
# Without RT_DEPENDENCIAS_WINDOWS only the Qt-free core is built (RT_SOLO_NUCLEO:
# rtqx5 without BasesDD, ejecucion, pasos).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(RT_MINGW_PREFIJO x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${RT_MINGW_PREFIJO}-gcc-posix)
set(CMAKE_CXX_COMPILER ${RT_MINGW_PREFIJO}-g++-posix)
set(CMAKE_RC_COMPILER ${RT_MINGW_PREFIJO}-windres)

# try_compile reads this file again: it needs the folder too.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES RT_DEPENDENCIAS_WINDOWS)

set(CMAKE_FIND_ROOT_PATH /usr/${RT_MINGW_PREFIJO})
if(RT_DEPENDENCIAS_WINDOWS)
    list(APPEND CMAKE_FIND_ROOT_PATH ${RT_DEPENDENCIAS_WINDOWS}/qt ${RT_DEPENDENCIAS_WINDOWS}/mariadb)
    # Qt's own tools (moc, uic, rcc) are the host's: Debian ships Qt6HostInfo.
    set(QT_HOST_PATH /usr)
    set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake)
else()
    set(RT_SOLO_NUCLEO ON CACHE BOOL "Construir solo rtqx5 y ejecucion (sin Qt)")
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# CTest runs every Windows executable under Wine (without Wine the build still
# works; only the tests cannot run).
find_program(RT_WINE NAMES wine wine64)
if(RT_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${RT_WINE})
endif()
