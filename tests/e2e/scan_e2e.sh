#!/usr/bin/env bash
# End to end: the console scan finds every planted piece of the test threat in a private
# prefix whose Z: drive is unmapped (so the complete scan walks only C:), stops its
# process (seen gone from the system's process list), and leaves a binary value, a hidden
# file and an excluded folder unreported.
# Usage: scan_e2e.sh SorvaneCmd.exe DEFINITIONS_DIR PLANT_SCRIPT
set -euo pipefail
cmd=$(realpath "$1") defs=$(realpath "$2") plant=$(realpath "$3")

source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-dll-overrides.sh"
export WINEDEBUG=-all LC_ALL=C.UTF-8 WINEDLLOVERRIDES="$SORVANE_WINE_DLL_OVERRIDES"
# Always a prefix of its own: the test changes the drive mapping.
WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/sorvane-scan-e2e.XXXXXX")
export WINEPREFIX
out=$(mktemp -d)
trap 'wineserver -k >/dev/null 2>&1 || true; rm -rf "$WINEPREFIX" "$out"' EXIT
wineboot >/dev/null 2>&1
# The profile's links to the home folder become real folders before anything scans or removes.
bash "$(dirname "${BASH_SOURCE[0]}")/../../scripts/real-profile-folders.sh"
wineserver -p 30 2>/dev/null || true
rm -f "$WINEPREFIX/dosdevices/z:"
cd "$WINEPREFIX/drive_c"

drive_c="$WINEPREFIX/drive_c"
app="$drive_c/Sorvane"
mkdir -p "$app"
cp "$cmd" "$app/"
cp "$defs"/*.dat "$app/"
"$plant" >/dev/null

profile=$(find "$drive_c/users" -mindepth 1 -maxdepth 1 -type d ! -name Public | head -n 1)
roaming="$profile/AppData/Roaming"
user=$(basename "$profile")
# The listed text file, hidden, inside a listed folder that the user has excluded.
mkdir -p "$roaming/Sorvane-Test-Threat"
echo harmless >"$roaming/Sorvane-Test-Threat/sorvane-test-threat.txt"
wine attrib +h "C:\\users\\$user\\AppData\\Roaming\\Sorvane-Test-Threat\\sorvane-test-threat.txt" >/dev/null
printf 'C:\\users\\%s\\AppData\\Roaming\\Sorvane-Test-Threat\r\n' "$user" >"$app/ENoSignature.txt"
# A binary value under a listed value name is no trace.
wine reg add "HKCU\\Software\\Sorvane-Test-Threat" /v Sorvane-Test-Value /t REG_BINARY /d 00 /f >/dev/null

# Whether the planted test process runs in this prefix: a process of this machine whose
# command line names the program and whose environment holds this prefix. (Wine's "tasklist"
# is a stub that lists no process, so a check through it could never fail.)
test_process_runs() {
    local pid
    for pid in $(pgrep -f 'sorvane-test-threat\.exe' || true); do
        tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" && return 0
    done
    return 1
}
# The check sees the process before the scan, so that its answer afterwards means something.
if ! test_process_runs; then
    echo "the planted test process is not seen running before the scan"; exit 1
fi

status=0
wine "C:\\Sorvane\\SorvaneCmd.exe" scan --json >"$out/scan.json" 2>"$out/scan.err" || status=$?
if [[ $status -ne 1 ]]; then
    echo "expected exit code 1, got $status"; cat "$out/scan.err"; cat "$out/scan.json"; exit 1
fi

[[ -n "${SCAN_E2E_SHOW:-}" ]] && cat "$out/scan.json"
python3 - "$out/scan.json" "$user" <<'PY'
import json, sys
data = json.load(open(sys.argv[1]))
user = sys.argv[2]
failures = []
def expect(cond, what):
    if not cond:
        failures.append(what)

summary = {(r["text"], r["icon"]) for r in data["summary"]}
expect(("Detected in the memory : SORVANE-TEST-THREAT.EXE was stopped from running.", 3) in summary, "process row")
expect(("Sorvane-Test-Threat - Found", 2) in summary, "registry summary row (first trace)")
expect(("Cookie Found: %s@sorvane-test-threat[1].txt" % user, 1) in summary, "cookie summary row")
expect(("EXCLUDED: C:\\users\\%s\\AppData\\Roaming\\Sorvane-Test-Threat" % user, 5) in summary, "excluded folder")

results = {(r["text"], r["location"], r["icon"]) for r in data["results"]}
expect(("Sorvane-Test-Threat", "HKEY_CURRENT_USER\\Software\\Sorvane-Test-Threat", 2) in results, "registry key detail row")
cookie_path = "C:\\users\\%s\\AppData\\Local\\Microsoft\\Windows\\INetCookies\\%s@sorvane-test-threat[1].txt" % (user, user)
expect(("Cookie: %s@sorvane-test-threat[1].txt" % user, cookie_path, 1) in results, "cookie detail row")

files = {(f["path"].lower(), f["threat"]) for f in data["work"]["files"]}
expect(("c:\\program files\\sorvane-test-threat\\sorvane-test-threat.exe", "Sorvane-Test-Threat") in files, "file work row")
expect(("c:\\program files\\sorvane-test-threat", "Sorvane-Test-Threat") in files, "folder work row")
expect(not any("sorvane-test-threat.txt" in p for p, _ in files), "hidden file not reported")
registry = {(r["root"], r["key"], r["value"]) for r in data["work"]["registry"]}
expect(("HKEY_CURRENT_USER", "Software\\Sorvane-Test-Threat", "") in registry, "registry key work row")
expect(("HKEY_CURRENT_USER", "Software\\Microsoft\\Windows\\CurrentVersion\\Run", "Sorvane-Test-Threat") in registry,
       "start-up value work row")
expect(not any(v == "Sorvane-Test-Value" for _, _, v in registry), "binary value not reported")
expect(data["work"]["cookies"] == [cookie_path], "cookie work row")
c = data["counters"]
expect(c["threats"] >= 3 and c["traces"] == len(data["work"]["files"]) + len(data["work"]["registry"]) + 1,
       "counters %r" % c)
expect(data["stopped"] is False, "not stopped")
if failures:
    print("failed checks:", *failures, sep="\n  ")
    print(json.dumps(data, indent=1))
    sys.exit(1)
PY

# The test process was stopped; it may take a moment to be gone from the system.
for _ in $(seq 1 50); do
    test_process_runs || break
    sleep 0.2
done
if test_process_runs; then
    echo "the test process still runs"; exit 1
fi
cat "$out/scan.err"
echo "scan e2e: all checks passed"
