#!/usr/bin/env bash
# Builds the Windows programs and shows the console program at work under Wine, in a
# throwaway prefix that is removed afterwards.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

cmake --preset win >/dev/null
cmake --build --preset win -j2 >/dev/null
cmd="$root/build/win/cli/SorvaneCmd.exe"

WINEPREFIX=$(mktemp -d /tmp/sorvane-demo.XXXXXX)
export WINEPREFIX WINEDEBUG=-all LC_ALL=C.UTF-8 WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
trap 'wineserver -k >/dev/null 2>&1 || true; rm -rf "$WINEPREFIX"' EXIT
wineserver -p
wineboot -i >/dev/null 2>&1

echo "\$ SorvaneCmd --version"
wine "$cmd" --version

if wine "$cmd" --help | grep -qw scan; then
    echo
    echo "\$ SorvaneCmd scan"
    status=0
    wine "$cmd" scan || status=$?
    echo "(exit code $status: 0 clean, 1 threats found, 2 error)"
fi
