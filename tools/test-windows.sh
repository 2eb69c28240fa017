#!/bin/sh
# The Windows stage: the programs cross-built with MinGW-w64 and checked under Wine.
#
#   tools/test-windows.sh [-DWERROR=ON ...]
#
# 1. build-windows: resconv.exe, tseries.exe and the unit tests, cross-built; the unit tests run
#    under Wine through CTest; the programs are checked to need no DLL beyond Windows' own.
# 2. build-windows-e2e: the end-to-end suites, built for Linux, run the .exe files under Wine
#    and compare every file with its expectation in CR LF form (CTest label "windows").
# 3. The release archive, made by CPack, and its contents.
# Extra arguments go to both CMake configurations. Needs the packages of
# tools/install-dependencies.sh.
set -eu
cd "$(dirname "$0")/.."

cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DBUILD_TESTS=ON "$@"
cmake --build build-windows -j2
# Wine now and then fails to start a program at all (status 1, nothing written) while a fresh
# prefix settles: a failed test runs once more, and one that fails twice fails the stage.
ctest --test-dir build-windows --output-on-failure -j2 --repeat until-pass:2

# Self-contained: the programs import only system DLLs.
for program in resconv tseries; do
  imports=$(x86_64-w64-mingw32-objdump -p "build-windows/$program.exe" | sed -n 's/^\tDLL Name: //p')
  for dll in $imports; do
    case "$(echo "$dll" | tr 'A-Z' 'a-z')" in
      kernel32.dll | msvcrt.dll | user32.dll | advapi32.dll | ws2_32.dll | shell32.dll) ;;
      *)
        echo "$program.exe needs $dll, which Windows does not bring" >&2
        exit 1
        ;;
    esac
  done
done

cmake -S . -B build-windows-e2e -DWINDOWS_PROGRAMS="$PWD/build-windows" "$@"
cmake --build build-windows-e2e -j2
ctest --test-dir build-windows-e2e --output-on-failure -j2 -L windows --repeat until-pass:2

(cd build-windows && cpack -G ZIP)
version=$(sed -n 's/^project(seepagePost VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
archive=build-windows/seepagePost-$version-win64.zip
listing=$(python3 -c 'import sys, zipfile; print("\n".join(zipfile.ZipFile(sys.argv[1]).namelist()))' "$archive")
for entry in resconv.exe tseries.exe README.md examples/RES.DAT examples/WORK.LST \
  examples/answers.txt examples/run.bat; do
  if ! echo "$listing" | grep -qx "seepagePost-$version-win64/$entry"; then
    echo "$archive lacks $entry" >&2
    exit 1
  fi
done
echo "windows stage: $archive holds both programs, the README and the example"
