#!/bin/sh
# Installs, as Debian packages by name, everything the build, the tests and the optional parts
# need beyond a bare machine of this kind. Packages already present are left as they are, so a
# second run costs a dpkg query and nothing else. Run as root (or through sudo when it exists).
#
#   tools/install-dependencies.sh
set -eu

packages="
  cmake g++ make
  libgtest-dev libgmock-dev libbenchmark-dev
  libcli11-dev
  libdeflate-dev
  python3 python3-numpy python3-pytest python3-vtk9 python3-meshio
  pybind11-dev python3-dev
  clang-format
"

missing=""
for package in $packages; do
  if ! dpkg-query -W -f='${Status}\n' "$package" 2>/dev/null | grep -q '^install ok installed$'; then
    missing="$missing $package"
  fi
done
[ -z "$missing" ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
  asRoot=""
elif command -v sudo > /dev/null 2>&1; then
  asRoot="sudo"
else
  echo "$0: these packages are missing and installing them needs root:$missing" >&2
  exit 1
fi
echo "$0: installing$missing" >&2
export DEBIAN_FRONTEND=noninteractive
# shellcheck disable=SC2086
$asRoot apt-get install -y -q $missing > /dev/null ||
  { $asRoot apt-get update -q > /dev/null && $asRoot apt-get install -y -q $missing > /dev/null; } || {
  echo "$0: could not install:$missing" >&2
  exit 1
}
