#!/bin/sh
# winePrefix.sh start|stop WINE WINESERVER PREFIX: makes the Wine prefix the Windows programs
# run in and keeps its server running for the tests, or ends that server.
set -eu
action=$1 wine=$2 wineserver=$3
WINEPREFIX=$4
WINEDEBUG=-all
export WINEPREFIX WINEDEBUG
case "$action" in
  start)
    # A server of its own that stays: one left by earlier runs may be about to end.
    "$wineserver" -k 2> /dev/null || true
    "$wineserver" -w 2> /dev/null || true
    "$wineserver" -p < /dev/null > /dev/null 2>&1
    "$wine" wineboot --init < /dev/null > /dev/null 2>&1
    # The first start in each locale the tests use updates the prefix's settings; done here,
    # before any test runs.
    LC_ALL=C "$wine" cmd /c exit < /dev/null > /dev/null 2>&1 || true
    LC_ALL=ja_JP.UTF-8 LANG=ja_JP.UTF-8 "$wine" cmd /c exit < /dev/null > /dev/null 2>&1 || true
    ;;
  stop) "$wineserver" -k > /dev/null 2>&1 || true ;;
esac
