# Cross build of the Windows programs on Linux with MinGW-w64 (Debian g++-mingw-w64-x86-64-posix,
# the POSIX threading model, so that std::thread works):
#
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
#   cmake --build build-windows -j2
#
# The programs are linked statically: they need no DLL beyond Windows' own. Tests run under
# Wine (wine64) through CMAKE_CROSSCOMPILING_EMULATOR, in a Wine prefix of the build's own.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(mingwTriplet x86_64-w64-mingw32)

find_program(CMAKE_CXX_COMPILER NAMES ${mingwTriplet}-g++-posix ${mingwTriplet}-g++ REQUIRED)
find_program(CMAKE_C_COMPILER NAMES ${mingwTriplet}-gcc-posix ${mingwTriplet}-gcc)
find_program(CMAKE_RC_COMPILER NAMES ${mingwTriplet}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${mingwTriplet})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# No libstdc++, libgcc or winpthread DLL beside the programs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test programs run under Wine, quietly, in a prefix kept inside the build folder.
find_program(wineProgram NAMES wine64 wine PATHS /usr/lib/wine)
if(wineProgram)
  set(CMAKE_CROSSCOMPILING_EMULATOR
      ${CMAKE_COMMAND} -E env WINEDEBUG=-all WINEPREFIX=${CMAKE_BINARY_DIR}/wine-prefix
      ${wineProgram})
endif()
