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
source "$(dirname "${BASH_SOURCE[0]}")/wine-dll-overrides.sh"
export WINEPREFIX WINEDEBUG=-all LC_ALL=C.UTF-8 WINEDLLOVERRIDES="$SORVANE_WINE_DLL_OVERRIDES"
trap 'wineserver -k >/dev/null 2>&1 || true; rm -rf "$WINEPREFIX"' EXIT
wineserver -p
wineboot >/dev/null 2>&1
bash "$(dirname "${BASH_SOURCE[0]}")/real-profile-folders.sh"

echo "\$ SorvaneCmd --version"
wine "$cmd" --version

# Installed as a user would have it: the program with its definitions in one folder.
# The Z: drive (the whole Linux file system) is unmapped so the complete scan walks C: only.
rm -f "$WINEPREFIX/dosdevices/z:"
mkdir -p "$WINEPREFIX/drive_c/Sorvane"
cp "$cmd" "$root"/build/win/*.dat "$WINEPREFIX/drive_c/Sorvane/"
cd "$WINEPREFIX/drive_c"

echo
echo "\$ scripts/plant-test-threat.sh"
"$root/scripts/plant-test-threat.sh"

echo
echo "\$ SorvaneCmd scan"
status=0
wine "C:\\Sorvane\\SorvaneCmd.exe" scan || status=$?
echo "(exit code $status: 0 clean, 1 threats found, 2 error)"
