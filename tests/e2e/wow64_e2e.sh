#!/usr/bin/env bash
# The traces a 32-bit program leaves on a 64-bit Windows, end to end through SorvaneCmd in a
# throwaway 64-bit Wine prefix: keys and values of the 32-bit view (below WOW6432Node), a file
# in "Program Files (x86)", a library in syswow64, a folder in the x86 Common Files. Each is
# found once at its physical place, removed, restored byte for byte to the same view, and found
# again; a key of HKCU (one key for both views) is reported once; a native trace is still found;
# the profile macros reach the profile folders.
# Arguments: SorvaneCmd.exe.
set -euo pipefail
cmd=$1
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-dll-overrides.sh"
export WINEDEBUG=-all WINEDLLOVERRIDES="$SORVANE_WINE_DLL_OVERRIDES" LC_ALL=C.UTF-8
WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/sorvane-e2e-wow64.XXXXXX")
export WINEPREFIX
work=$(mktemp -d "${TMPDIR:-/tmp}/sorvane-e2e-wow64-work.XXXXXX")
trap 'wineserver -k >/dev/null 2>&1 || true; rm -rf "$WINEPREFIX" "$work"' EXIT
wineboot >/dev/null 2>&1
# The profile's links to the home folder become real folders before anything scans or removes.
bash "$(dirname "${BASH_SOURCE[0]}")/../../scripts/real-profile-folders.sh"
wineserver -p >/dev/null 2>&1 || true

fail() { echo "FAIL: $*" >&2; exit 1; }
c="$WINEPREFIX/drive_c"
[[ -d "$c/Program Files (x86)" && -d "$c/windows/syswow64" ]] || fail "not a 64-bit prefix"
profile=$(find "$c/users" -mindepth 1 -maxdepth 1 -type d ! -name Public | head -n 1)
user=$(basename "$profile")
app="$c/SorvaneE2E"
mkdir -p "$app"
cp "$cmd" "$app/SorvaneCmd.exe"

printf '%s\r\n' "vendor.exe=WowFile|[progfil]SorvaneVendor" "sorvane_wow.dll=WowDll|[system]" \
    "sorvane_user.txt=WowUser|[user]" "sorvane_all.txt=WowAll|[alluser]" \
    "xp.txt=WowXp|[user]Application Data\\SorvaneXp" > "$work/file.txt"
printf '%s\r\n' "x=WowFolder|[comprogfil]SorvaneWowCommon" > "$work/dir.txt"
printf '%s\r\n' "2^Software\\SorvaneWow^=WowKey" "2^Software\\SorvaneWowVal^Planted=WowValue" \
    "2^Software\\Microsoft\\Windows\\CurrentVersion\\Run^SorvaneWowRun=WowRun" \
    "1^Software\\SorvaneWowUser^=WowHkcu" "2^Software\\SorvaneWowNative^=WowNative" > "$work/reg.txt"
: > "$work/exe.txt"
: > "$work/cookie.txt"
for pair in exe:ExeDefinition file:FileDefinition dir:DirectoryDefinition reg:RegistryDefinition cookie:BlockedCookies; do
    cp "$work/${pair%%:*}.txt" "$app/${pair%%:*}.txt"
    (cd "$app" && wine SorvaneCmd.exe defs encode "${pair%%:*}.txt" "${pair#*:}.dat" >/dev/null) || fail "encode $pair"
    rm "$app/${pair%%:*}.txt"
done
: > "$app/Safety.dat"
wine reg add 'HKCU\Software\VB and VBA Program Settings\Sorvane\OptionAndSettings' /v optScanAllSelectedHardDrive /d False /f >/dev/null

# The 32-bit program's traces, written through the 32-bit view as its installer would.
wine reg add 'HKLM\Software\SorvaneWow' /ve /d wow-default /reg:32 /f >/dev/null
wine reg add 'HKLM\Software\SorvaneWow\Sub' /v bin /t REG_BINARY /d 00ff10 /reg:32 /f >/dev/null
wine reg add 'HKLM\Software\SorvaneWowVal' /v Planted /d planted32 /reg:32 /f >/dev/null
wine reg add 'HKLM\Software\SorvaneWowVal' /v Keep /d keep /reg:32 /f >/dev/null
wine reg add 'HKLM\Software\Microsoft\Windows\CurrentVersion\Run' /v SorvaneWowRun /d 'C:\x86.exe' /reg:32 /f >/dev/null
wine reg query 'HKLM\Software\Wow6432Node\SorvaneWow' /ve >/dev/null 2>&1 || fail "the 32-bit view is not below Wow6432Node"
wine reg add 'HKCU\Software\SorvaneWowUser' /ve /d user /f >/dev/null
wine reg add 'HKLM\Software\SorvaneWowNative' /ve /d native /reg:64 /f >/dev/null
mkdir -p "$c/Program Files (x86)/SorvaneVendor" "$c/Program Files (x86)/Common Files/SorvaneWowCommon"
printf 'MZ 32-bit vendor\0\1\2' > "$c/Program Files (x86)/SorvaneVendor/vendor.exe"
printf 'common' > "$c/Program Files (x86)/Common Files/SorvaneWowCommon/inner.txt"
printf 'not from Microsoft' > "$c/windows/syswow64/sorvane_wow.dll"
printf 'profile' > "$profile/sorvane_user.txt"
printf 'all users' > "$c/ProgramData/sorvane_all.txt"
mkdir -p "$profile/AppData/Roaming/SorvaneXp"
printf 'xp name' > "$profile/AppData/Roaming/SorvaneXp/xp.txt"
mkdir -p "$work/orig"
cp "$c/Program Files (x86)/SorvaneVendor/vendor.exe" "$work/orig/vendor.exe"
cp "$c/windows/syswow64/sorvane_wow.dll" "$work/orig/sorvane_wow.dll"

check_scan() {
    python3 - "$1" "$user" <<'PY'
import json, sys
data = json.load(open(sys.argv[1]))
user = sys.argv[2]
failures = []
# The system spells the copy's key ("Wow6432Node" under Wine, "WOW6432Node" on Windows).
registry = [(r["root"], r["key"].lower(), r["value"]) for r in data["work"]["registry"]]
want = [("HKEY_LOCAL_MACHINE", "Software\\WOW6432Node\\SorvaneWow", ""),
        ("HKEY_LOCAL_MACHINE", "Software\\WOW6432Node\\SorvaneWowVal", "Planted"),
        ("HKEY_LOCAL_MACHINE", "Software\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Run", "SorvaneWowRun"),
        ("HKEY_CURRENT_USER", "Software\\SorvaneWowUser", ""),
        ("HKEY_LOCAL_MACHINE", "Software\\SorvaneWowNative", "")]
want = [(root, key.lower(), value) for root, key, value in want]
for row in want:
    if registry.count(row) != 1:
        failures.append("registry row %r listed %d times" % (row, registry.count(row)))
if len(registry) != len(want):
    failures.append("registry rows %r" % registry)
files = [f["path"].lower() for f in data["work"]["files"]]
wantFiles = ["c:\\program files (x86)\\sorvanevendor\\vendor.exe", "c:\\windows\\syswow64\\sorvane_wow.dll",
             "c:\\users\\%s\\sorvane_user.txt" % user.lower(), "c:\\programdata\\sorvane_all.txt",
             "c:\\users\\%s\\appdata\\roaming\\sorvanexp\\xp.txt" % user.lower(),
             "c:\\program files (x86)\\common files\\sorvanewowcommon"]
for path in wantFiles:
    if files.count(path) != 1:
        failures.append("file %s listed %d times" % (path, files.count(path)))
if len(files) != len(wantFiles):
    failures.append("file rows %r" % files)
locations = {r["location"].lower() for r in data["results"]}
if "hkey_local_machine\\software\\wow6432node\\sorvanewow" not in locations:
    failures.append("the results list does not show the physical place: %r" % sorted(locations))
if failures:
    print("failed checks:", *failures, sep="\n  ")
    print(json.dumps(data, indent=1))
    sys.exit(1)
PY
}

status=0
(cd "$app" && wine SorvaneCmd.exe scan --json) > "$work/scan.json" 2> "$work/scan.err" || status=$?
[[ $status -eq 1 ]] || { cat "$work/scan.err"; fail "scan exited $status"; }
check_scan "$work/scan.json" || fail "first scan"

status=0
(cd "$app" && wine SorvaneCmd.exe remove --yes) > "$work/out.txt" 2> "$work/err.txt" || status=$?
[[ $status -eq 0 ]] || { cat "$work/out.txt" "$work/err.txt"; fail "remove --yes exited $status"; }
wine reg query 'HKLM\Software\SorvaneWow' /reg:32 >/dev/null 2>&1 && fail "32-bit key still there"
wine reg query 'HKLM\Software\SorvaneWowVal' /v Planted /reg:32 >/dev/null 2>&1 && fail "32-bit value still there"
wine reg query 'HKLM\Software\SorvaneWowVal' /v Keep /reg:32 >/dev/null 2>&1 || fail "unlisted 32-bit value removed"
wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Run' /v SorvaneWowRun /reg:32 >/dev/null 2>&1 &&
    fail "32-bit Run value still there"
for gone in "$c/Program Files (x86)/SorvaneVendor/vendor.exe" "$c/windows/syswow64/sorvane_wow.dll" \
    "$c/Program Files (x86)/Common Files/SorvaneWowCommon" "$profile/sorvane_user.txt" "$c/ProgramData/sorvane_all.txt"; do
    [[ ! -e "$gone" ]] || fail "still there: $gone"
done
grep -qi 'Key: HKEY_LOCAL_MACHINE\\Software\\WOW6432Node\\SorvaneWow' "$app/quarantine/QuarantineLog.txt" ||
    { cat "$app/quarantine/QuarantineLog.txt"; fail "the log does not name the physical place"; }

(cd "$app" && wine SorvaneCmd.exe quarantine list) > "$work/list.txt" || fail "quarantine list"
ids=$(awk '$4 == "removed" { print $1 }' "$work/list.txt" | tr -d '\r' | tr '\n' ' ')
# shellcheck disable=SC2086
(cd "$app" && wine SorvaneCmd.exe quarantine restore $ids) > "$work/restore.txt" 2>&1 || { cat "$work/restore.txt"; fail "restore"; }
cmp -s "$work/orig/vendor.exe" "$c/Program Files (x86)/SorvaneVendor/vendor.exe" || fail "vendor.exe not restored"
cmp -s "$work/orig/sorvane_wow.dll" "$c/windows/syswow64/sorvane_wow.dll" || fail "library not restored"
[[ "$(cat "$c/Program Files (x86)/Common Files/SorvaneWowCommon/inner.txt")" == common ]] || fail "folder not restored"
# Back in the 32-bit view, and not in the native one.
wine reg query 'HKLM\Software\SorvaneWow' /ve /reg:32 | grep -q 'REG_SZ *wow-default' || fail "32-bit key not restored"
wine reg query 'HKLM\Software\SorvaneWow\Sub' /v bin /reg:32 | grep -qi 'REG_BINARY *00FF10' || fail "binary value not restored"
wine reg query 'HKLM\Software\SorvaneWow' /reg:64 >/dev/null 2>&1 && fail "restored into the native view"
wine reg query 'HKLM\Software\SorvaneWowVal' /v Planted /reg:32 | grep -q 'planted32' || fail "32-bit value not restored"
wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Run' /v SorvaneWowRun /reg:32 | grep -q 'x86.exe' ||
    fail "32-bit Run value not restored"

status=0
(cd "$app" && wine SorvaneCmd.exe scan --json) > "$work/rescan.json" 2>/dev/null || status=$?
[[ $status -eq 1 ]] || fail "rescan exited $status"
check_scan "$work/rescan.json" || fail "the rescan does not find the restored traces again"
echo "PASS"
