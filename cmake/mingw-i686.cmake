# Cross build of q527.exe: 32-bit Windows with MinGW-w64, linked statically so
# that the program needs nothing beside the system DLLs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

if(NOT Q527_MINGW_TRIPLET)
  set(Q527_MINGW_TRIPLET i686-w64-mingw32)
endif()

# The posix thread model links std::filesystem and winpthread statically with
# -static; prefer it, fall back to the plain driver names.
find_program(Q527_MINGW_CXX NAMES ${Q527_MINGW_TRIPLET}-g++-posix ${Q527_MINGW_TRIPLET}-g++ REQUIRED)
find_program(Q527_MINGW_CC NAMES ${Q527_MINGW_TRIPLET}-gcc-posix ${Q527_MINGW_TRIPLET}-gcc REQUIRED)
find_program(Q527_MINGW_WINDRES NAMES ${Q527_MINGW_TRIPLET}-windres windres REQUIRED)

set(CMAKE_CXX_COMPILER ${Q527_MINGW_CXX})
set(CMAKE_C_COMPILER ${Q527_MINGW_CC})
set(CMAKE_RC_COMPILER ${Q527_MINGW_WINDRES})

set(CMAKE_FIND_ROOT_PATH /usr/${Q527_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# SSE2 doubles, as the native x86-64 builds compute: x87 registers would round
# differently in the last digit.
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
