# The same program as a 64-bit Windows build. It exists for the Wine tests on
# machines whose kernel cannot run 32-bit code (no 32-bit Wine loader there);
# the product itself is the 32-bit build of mingw-i686.cmake.
set(Q527_MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-i686.cmake)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
