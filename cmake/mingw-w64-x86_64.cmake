# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (GCC, POSIX
# threads), for scripts/windows.sh and scripts/windows-deps.sh.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TALLOWFEN_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TALLOWFEN_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TALLOWFEN_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${TALLOWFEN_MINGW}-windres)
# MinGW's own files, and the libraries scripts/windows-deps.sh built.
set(CMAKE_FIND_ROOT_PATH /usr/${TALLOWFEN_MINGW} $ENV{TALLOWFEN_WINDOWS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Tests built for Windows run under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
