#!/usr/bin/env bash
# SorvaneCmd remove, end to end, in a throwaway Wine prefix: plant one threat of every
# kind, remove it, and check that everything planted is gone, kept byte for byte in
# quarantine and logged once, and that a second run finds nothing.
# Arguments: SorvaneCmd.exe, a library with DllUnregisterServer, a program that stays running.
set -euo pipefail
cmd=$1 library=$2 sleeper=$3
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=C.UTF-8
WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/sorvane-e2e-remove.XXXXXX")
export WINEPREFIX
work=$(mktemp -d "${TMPDIR:-/tmp}/sorvane-e2e-remove-work.XXXXXX")
trap 'wineserver -k >/dev/null 2>&1 || true; rm -rf "$WINEPREFIX" "$work"' EXIT
wineboot >/dev/null 2>&1
# The profile's links to the home folder become real folders before anything scans or removes.
bash "$(dirname "${BASH_SOURCE[0]}")/../../scripts/real-profile-folders.sh"
wineserver -p >/dev/null 2>&1 || true

fail() { echo "FAIL: $*" >&2; exit 1; }
c="$WINEPREFIX/drive_c"
progfil="$c/Program Files"
app="$c/SorvaneE2E"
mkdir -p "$app" "$work/orig"
cp "$cmd" "$app/SorvaneCmd.exe"

# Definition files, written clear and stored encoded by the program itself.
printf '%s\r\n' "e2e_threat.exe=E2EExe|[progfil]" > "$work/exe.txt"
printf '%s\r\n' "e2e_threat.exe=E2EExe|[progfil]" "e2e_plain.txt=E2EFile|[progfil]" \
    "e2e_lib.dll=E2ELib|[progfil]" "e2e_dup.txt=E2EDup|[progfil]" "e2e_dup.txt=E2EDup2|[windir]" > "$work/file.txt"
printf '%s\r\n' "x=E2EFolder|[progfil]E2EFolder" > "$work/dir.txt"
printf '%s\r\n' "1^Software\\SorvaneE2E^=E2EKey" "1^Software\\SorvaneE2ERun^Planted=E2EValue" > "$work/reg.txt"
printf '%s\r\n' "e2etracker.com" > "$work/cookie.txt"
for pair in exe:ExeDefinition file:FileDefinition dir:DirectoryDefinition reg:RegistryDefinition cookie:BlockedCookies; do
    cp "$work/${pair%%:*}.txt" "$app/${pair%%:*}.txt"
    (cd "$app" && wine SorvaneCmd.exe defs encode "${pair%%:*}.txt" "${pair#*:}.dat" >/dev/null) || fail "encode $pair"
    rm "$app/${pair%%:*}.txt"
done
: > "$app/Safety.dat"
wine reg add 'HKCU\Software\VB and VBA Program Settings\Sorvane\OptionAndSettings' /v optScanAllSelectedHardDrive /d False /f >/dev/null

# The threat.
cp "$sleeper" "$progfil/e2e_threat.exe"
printf 'plain threat\r\n' > "$progfil/e2e_plain.txt"
cp "$library" "$progfil/e2e_lib.dll"
printf 'first of the name' > "$progfil/e2e_dup.txt"
printf 'second of the name, different' > "$c/windows/e2e_dup.txt"
mkdir -p "$progfil/E2EFolder/inner"
printf 'inside' > "$progfil/E2EFolder/inner/file.txt"
cookies="$c/users/$(id -un)/AppData/Local/Microsoft/Windows/INetCookies"
mkdir -p "$cookies"
printf 'id\n42\nwww.e2etracker.com/\n1536\n' > "$cookies/user@e2etracker[1].txt"
wine reg add 'HKCU\Software\SorvaneE2E' /ve /d default /f >/dev/null
wine reg add 'HKCU\Software\SorvaneE2E\Sub' /v inner /d x /f >/dev/null
wine reg add 'HKCU\Software\SorvaneE2ERun' /v Planted /d planted /f >/dev/null
wine reg add 'HKCU\Software\SorvaneE2ERun' /v Keep /d keep /f >/dev/null
for f in e2e_threat.exe e2e_plain.txt e2e_lib.dll e2e_dup.txt; do cp "$progfil/$f" "$work/orig/$f"; done
cp "$c/windows/e2e_dup.txt" "$work/orig/e2e_dup2.txt"
cp "$cookies/user@e2etracker[1].txt" "$work/orig/cookie.txt"
wine 'C:\Program Files\e2e_threat.exe' wait &

status=0
(cd "$app" && wine SorvaneCmd.exe remove --yes) > "$work/out.txt" 2> "$work/err.txt" || status=$?
cat "$work/out.txt"
[[ $status -eq 0 ]] || { cat "$work/err.txt"; fail "remove --yes exited $status"; }

for gone in "$progfil/e2e_threat.exe" "$progfil/e2e_plain.txt" "$progfil/e2e_lib.dll" "$progfil/e2e_dup.txt" \
    "$c/windows/e2e_dup.txt" "$progfil/E2EFolder" "$cookies/user@e2etracker[1].txt"; do
    [[ ! -e "$gone" ]] || fail "still there: $gone"
done
wine reg query 'HKCU\Software\SorvaneE2E' >/dev/null 2>&1 && fail "key still there"
wine reg query 'HKCU\Software\SorvaneE2ERun' /v Planted >/dev/null 2>&1 && fail "value still there"
wine reg query 'HKCU\Software\SorvaneE2ERun' /v Keep >/dev/null 2>&1 || fail "unlisted value removed"

q="$app/quarantine"
cmp -s "$work/orig/e2e_threat.exe" "$q/e2e_threat.exe" || fail "executable not kept"
cmp -s "$work/orig/e2e_plain.txt" "$q/e2e_plain.txt" || fail "file not kept"
cmp -s "$work/orig/e2e_lib.dll" "$q/e2e_lib.dll" || fail "library not kept"
cmp -s "$work/orig/cookie.txt" "$q/user@e2etracker[1].txt" || fail "cookie not kept"
[[ "$(cat "$q/E2EFolder/inner/file.txt")" == inside ]] || fail "folder not kept"
# Two different files of one name both survive, under two names.
kept_dups=$(cat "$q/e2e_dup.txt" "$q/e2e_dup (2).txt" | sort | tr '\n' '|')
[[ "$kept_dups" == *"first of the name"* && "$kept_dups" == *"second of the name, different"* ]] || fail "same-named files"
# The library was unregistered through regsvr32.
[[ -e "$progfil/e2e_lib.dll.unregistered" ]] || fail "library not unregistered"

log="$q/QuarantineLog.txt"
files=$(grep -c ' - File: ' "$log" || true)
keys=$(grep -c ' - Key: ' "$log" || true)
[[ $files -eq 6 ]] || { cat "$log"; fail "expected 6 file entries, found $files"; }
[[ $keys -eq 3 ]] || { cat "$log"; fail "expected 3 registry entries, found $keys"; }
[[ $(grep -c '^Value: All Values' "$log") -eq 1 ]] || fail "key entry"
[[ $(wc -l < "$log") -eq 36 ]] || fail "every entry has four lines"
grep -q $'\r$' "$log" || fail "CR LF line ends"

status=0
(cd "$app" && wine SorvaneCmd.exe remove --yes) > "$work/out2.txt" 2>/dev/null || status=$?
[[ $status -eq 0 ]] && grep -q 'Nothing to remove.' "$work/out2.txt" || { cat "$work/out2.txt"; fail "second run found something"; }
[[ $(wc -l < "$log") -eq 36 ]] || fail "second run wrote to the log"
echo "PASS"
