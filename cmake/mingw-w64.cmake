# Toolchain file: cross build for 64-bit Windows with Debian's mingw-w64 (the
# -posix variant, whose std::thread and std::mutex work) and tests run under
# Wine. Only the Qt-free targets are built: rtqx5 without BasesDD and ejecucion.
#
#   cmake -S . -B build/windows -G Ninja \
#         -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(RT_MINGW_PREFIJO x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${RT_MINGW_PREFIJO}-gcc-posix)
set(CMAKE_CXX_COMPILER ${RT_MINGW_PREFIJO}-g++-posix)
set(CMAKE_RC_COMPILER ${RT_MINGW_PREFIJO}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${RT_MINGW_PREFIJO})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Self-contained executables: they import only system DLLs (KERNEL32,
# ADVAPI32, msvcrt…), so Wine and a bare Windows run them without copying
# libstdc++ or libwinpthread next to them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Without Qt and MariaDB Connector/C for Windows here, only the core is built.
set(RT_SOLO_NUCLEO ON CACHE BOOL "Construir solo rtqx5 y ejecucion (sin Qt)")

# CTest runs every Windows executable under Wine (without Wine the build still
# works; only the tests cannot run).
find_program(RT_WINE NAMES wine wine64)
if(RT_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${RT_WINE})
endif()
