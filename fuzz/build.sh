#!/usr/bin/env bash
# Builds the fuzz targets with clang's libFuzzer under AddressSanitizer and
# UndefinedBehaviorSanitizer, straight from the common/ sources (the project's own build stays
# g++). Usage: fuzz/build.sh [output directory, default build-fuzz]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="${1:-$root/build-fuzz}"
mkdir -p "$out"
compiler="${CXX_FUZZ:-clang++}"
flags=(-std=c++20 -g -O1 -fno-omit-frame-pointer -fsanitize=fuzzer,address,undefined
       -fno-sanitize-recover=all -I"$root" -I"$root/fuzz")
common=(console decimalDigits fieldEdit fixedRead formatWrite freeForm freeFormRead inputUnit numberScan
        outputUnit programmingError readPlace resultFile splitBlock stop textFormat workPool
        platformPosix)

# The common sources once, as objects shared by every target.
objects=()
for name in "${common[@]}"; do
  object="$out/$name.o"
  if [[ ! -f "$object" || "$root/common/$name.cpp" -nt "$object" ||
        -n "$(find "$root/common" -name '*.h' -newer "$object" -print -quit)" ]]; then
    "$compiler" "${flags[@]/-fsanitize=fuzzer,/-fsanitize=fuzzer-no-link,}" \
      -c "$root/common/$name.cpp" -o "$object"
  fi
  objects+=("$object")
done

for target in formatFuzz fixedReadFuzz freeFormReadFuzz resultFileFuzz; do
  "$compiler" "${flags[@]}" "$root/fuzz/$target.cpp" "${objects[@]}" -o "$out/$target"
done
echo "fuzz targets built in $out"
