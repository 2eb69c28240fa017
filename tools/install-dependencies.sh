#!/bin/sh
# Installs, as Debian packages by name, everything the build, the tests and the optional parts
# need beyond a bare machine of this kind. Packages already present are left as they are, so a
# second run costs a dpkg query and nothing else. Run as root (or through sudo when it exists).
#
#   tools/install-dependencies.sh
set -eu

packages="
  cmake g++ make
  libgtest-dev libgmock-dev libbenchmark-dev googletest
  libcli11-dev
  libdeflate-dev
  python3 python3-numpy python3-pytest python3-vtk9 python3-meshio python3-pandas
  pybind11-dev python3-dev
  clang-format
  g++-mingw-w64-x86-64-posix libz-mingw-w64-dev wine64 locales
"

# The Windows programs' tests open a Japanese file name under Wine in a Japanese locale.
japaneseLocale() {
  locale -a 2> /dev/null | grep -qi '^ja_JP\.utf-*8$'
}

missing=""
for package in $packages; do
  if ! dpkg-query -W -f='${Status}\n' "$package" 2>/dev/null | grep -q '^install ok installed$'; then
    missing="$missing $package"
  fi
done
if [ -z "$missing" ]; then
  japaneseLocale && exit 0
fi

if [ "$(id -u)" -eq 0 ]; then
  asRoot=""
elif command -v sudo > /dev/null 2>&1; then
  asRoot="sudo"
else
  echo "$0: installing these packages (or the ja_JP.UTF-8 locale) needs root:$missing" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
if [ -n "$missing" ]; then
  echo "$0: installing$missing" >&2
  # shellcheck disable=SC2086
  $asRoot apt-get install -y -q $missing > /dev/null ||
    { $asRoot apt-get update -q > /dev/null && $asRoot apt-get install -y -q $missing > /dev/null; } || {
    echo "$0: could not install:$missing" >&2
    exit 1
  }
fi
if ! japaneseLocale; then
  echo "$0: generating the locale ja_JP.UTF-8" >&2
  $asRoot sed -i 's/^# *ja_JP.UTF-8 UTF-8/ja_JP.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen ||
    echo 'ja_JP.UTF-8 UTF-8' | $asRoot tee -a /etc/locale.gen > /dev/null
  $asRoot locale-gen > /dev/null
fi
