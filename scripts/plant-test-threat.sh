#!/usr/bin/env bash
# Plants the harmless test threat of the starter definitions in a Wine prefix: a running
# process, a registry key with a string value and a start-up value, a file, a folder and a
# cookie. Nothing it plants does anything; the process only waits.
#
# Usage: WINEPREFIX=/tmp/some-prefix scripts/plant-test-threat.sh
# It refuses to touch the default prefix in the home folder.
set -euo pipefail
export WINEDEBUG=${WINEDEBUG:--all}
export LC_ALL=C.UTF-8
source "$(dirname "${BASH_SOURCE[0]}")/wine-dll-overrides.sh"
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-$SORVANE_WINE_DLL_OVERRIDES}

if [[ -z "${WINEPREFIX:-}" || "$(realpath -m "$WINEPREFIX")" == "$(realpath -m "$HOME/.wine")" ]]; then
    echo "plant-test-threat: set WINEPREFIX to a throwaway prefix (not ~/.wine)" >&2
    exit 2
fi
[[ -d "$WINEPREFIX/drive_c" ]] || wineboot >/dev/null 2>&1
bash "$(dirname "${BASH_SOURCE[0]}")/real-profile-folders.sh"
cd "$WINEPREFIX/drive_c"

name=Sorvane-Test-Threat
drive_c="$WINEPREFIX/drive_c"
profile=$(find "$drive_c/users" -mindepth 1 -maxdepth 1 -type d ! -name Public | head -n 1)
[[ -n "$profile" ]] || { echo "plant-test-threat: no user profile in $WINEPREFIX" >&2; exit 2; }
user=$(basename "$profile")

# The process: a program that waits, built here so that it carries no one's version resource.
folder="$drive_c/Program Files/$name"
mkdir -p "$folder"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cat >"$work/sleeper.c" <<'C'
#include <windows.h>
int main(void) {
    HANDLE marker = CreateFileA("C:\\Program Files\\Sorvane-Test-Threat\\started.txt", GENERIC_WRITE, 0, NULL,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (marker != INVALID_HANDLE_VALUE) CloseHandle(marker);
    Sleep(INFINITE);
    return 0;
}
C
x86_64-w64-mingw32-gcc -O2 -s -o "$folder/sorvane-test-threat.exe" "$work/sleeper.c"
rm -f "$folder/started.txt"
(cd "$folder" && nohup wine "C:\\Program Files\\$name\\sorvane-test-threat.exe" >/dev/null 2>&1 &)
for _ in $(seq 1 300); do
    [[ -f "$folder/started.txt" ]] && break
    sleep 0.1
done
[[ -f "$folder/started.txt" ]] || { echo "plant-test-threat: the test process did not start" >&2; exit 1; }
rm -f "$folder/started.txt"

# Registry: the key, its string value and a start-up entry.
wine reg add "HKCU\\Software\\$name" /v Sorvane-Test-Value /t REG_SZ /d harmless /f >/dev/null
wine reg add "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run" /v "$name" /t REG_SZ \
    /d "C:\\Program Files\\$name\\sorvane-test-threat.exe" /f >/dev/null

# The cookie of the test threat's host, in the user's cookie folder.
cookies="$profile/AppData/Local/Microsoft/Windows/INetCookies"
mkdir -p "$cookies"
printf 'id\r\n1\r\nsorvane-test-threat.example/\r\n1536\r\n' >"$cookies/$user@sorvane-test-threat[1].txt"

echo "Planted $name in $WINEPREFIX:"
echo "  process  C:\\Program Files\\$name\\sorvane-test-threat.exe (running)"
echo "  folder   C:\\Program Files\\$name"
echo "  registry HKEY_CURRENT_USER\\Software\\$name (value Sorvane-Test-Value)"
echo "  registry HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\$name"
echo "  cookie   C:\\users\\$user\\AppData\\Local\\Microsoft\\Windows\\INetCookies\\$user@sorvane-test-threat[1].txt"
