# Cross build for 64-bit Windows with Debian's mingw-w64 (g++-mingw-w64-x86-64-posix).
#   cmake --preset windows
# The posix flavour of the compiler has std::thread and std::mutex, which the win32 one lacks.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(MELDRIT_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${MELDRIT_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MELDRIT_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${MELDRIT_MINGW_TRIPLE}-windres)

# Libraries and headers of the target only; programs of the host.
set(CMAKE_FIND_ROOT_PATH /usr/${MELDRIT_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The compiler's runtime (libstdc++, libgcc, winpthread) linked in, so that the programs run from
# any folder without its DLLs beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
