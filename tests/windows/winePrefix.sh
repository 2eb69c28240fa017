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
    # A server already running for the prefix keeps serving it.
    "$wineserver" -p 2> /dev/null || true
    "$wine" wineboot --init > /dev/null 2>&1
    ;;
  stop) "$wineserver" -k || true ;;
esac
