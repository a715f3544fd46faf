# Cross-building the Windows programs on Linux with MinGW-w64 (POSIX threads,
# for std::thread); the programs are linked statically so that kvlctl.exe is
# one file to copy. Tests run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(KVL_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KVL_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KVL_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${KVL_MINGW}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${KVL_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
