#!/bin/sh
# Runs the converter on the bundled example: the result file named in WORK.LST, written as a
# Tecplot point file for every stored step, with no output times.
#
#   examples/run.sh build/resconv
#
# The inputs are copied into examples/run/ (a scratch folder, emptied first); the converter runs
# there with answers.txt on standard input and leaves TECPLOT.TXT there. The script exits with
# the converter's exit status.
set -eu

if [ "$#" -ne 1 ]; then
  echo "usage: $0 path/to/resconv" >&2
  exit 2
fi
case "$1" in
  /*) converter=$1 ;;
  *) converter=$(pwd)/$1 ;;
esac
if [ ! -f "$converter" ] || [ ! -x "$converter" ]; then
  echo "$0: $1 is not an executable program" >&2
  exit 2
fi

here=$(cd "$(dirname "$0")" && pwd)
scratch=$here/run
rm -rf -- "$scratch"
mkdir -p -- "$scratch"
cp -- "$here/RES.DAT" "$here/WORK.LST" "$scratch/"

cd "$scratch"
status=0
"$converter" < "$here/answers.txt" || status=$?
if [ "$status" -ne 0 ]; then
  echo "$0: the converter stopped with exit status $status" >&2
elif [ -f TECPLOT.TXT ]; then
  echo "$0: wrote $scratch/TECPLOT.TXT"
else
  echo "$0: the converter ended without writing TECPLOT.TXT" >&2
  status=1
fi
exit "$status"
