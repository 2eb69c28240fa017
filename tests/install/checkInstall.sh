#!/bin/sh
# Installs the build tree into a fresh prefix and runs the installed programs from there.
#   checkInstall.sh BUILD_DIR
set -eu
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" > /dev/null
for program in resconv tseries; do
  if [ ! -x "$prefix/bin/$program" ]; then
    echo "$program was not installed into $prefix/bin" >&2
    exit 1
  fi
  "$prefix/bin/$program" --version > /dev/null
done
echo "both programs installed into PREFIX/bin and run from there"
