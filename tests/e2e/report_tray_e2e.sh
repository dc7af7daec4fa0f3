#!/usr/bin/env bash
# The scan report, the data submission and the tray, end to end under Wine, in one
# throwaway prefix whose profile folders are real folders and whose Z: drive is unmapped:
#  1. a console scan over the planted test threat writes Scan_Log.txt, which decodes to the
#     report's lines; "SorvaneCmd report" prints it and "report --json" the scan with its times;
#  2. "SorvaneCmd submit" reaches the reference server on 127.0.0.1, which logs the decoded
#     names, "#", "&" and a letter above 127 included; a console removal reports the
#     running programs, none of the eight skipped ones;
#  3. with a display: Sorvane.exe sent to the tray hides behind its icon, the icon's click
#     slides the popup up, "Show Program" brings the window back, and a start with
#     "Minimized" = "Yes" goes straight to the tray.
#   report_tray_e2e.sh CMD GUI PROBE DEFINITIONS_DIR PLANT_SCRIPT SERVER PRODUCT COMPANY VERSION ARTIFACTS_DIR
set -uo pipefail
cmd=$(realpath "$1") gui=$(realpath "$2") probe=$(realpath "$3") defs=$(realpath "$4") plant=$(realpath "$5")
server=$6 product=$7 company=$8 version=$9 artifacts=${10}
caption="$product by $company"
[[ -x "$server" ]] || { echo "FAIL: no reference server at $server (build the native preset first)"; exit 1; }

# shellcheck source=tests/e2e/gui_prefix.sh
source "$(dirname "${BASH_SOURCE[0]}")/gui_prefix.sh"
start_gui_prefix report-tray
server_pid=""
cleanup() {
    [[ -n "$server_pid" ]] && kill "$server_pid" 2>/dev/null
    gui_prefix_cleanup
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*"
    for log in app.log server.log; do
        [[ -f "$scratch/$log" ]] && { echo "--- $log"; cat "$scratch/$log"; }
    done
    exit 1
}

rm -f "$WINEPREFIX/dosdevices/z:"
options="[HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\$product\\OptionAndSettings]
\"optScanOnlyKnownSoftwares\"=\"True\"
\"optScanAllSelectedHardDrive\"=\"False\"
\"chkMakeLog\"=\"1\"
\"chkSendData\"=\"1\""
seed_settings "$product" "$company" "$options" || fail "could not set up the settings"

drive_c="$WINEPREFIX/drive_c"
app="$drive_c/Sorvane"
mkdir -p "$app"
cp "$cmd" "$gui" "$app/"
cp "$defs"/*.dat "$app/"
"$plant" >"$scratch/plant.log" 2>&1 || { cat "$scratch/plant.log"; fail "could not plant the test threat"; }
sorvanecmd() { (cd "$app" && wine "C:\\Sorvane\\SorvaneCmd.exe" "$@"); }
# The console's text lines end in CR LF.
submit() { local status; out=$(sorvanecmd submit "$1"); status=$?; out=${out//$'\r'/}; return $status; }

# 1. The report of a real console scan.
sorvanecmd scan --json >"$scratch/scan.json" 2>"$scratch/scan.err"
[[ $? -eq 1 ]] || fail "the scan did not find the test threat: $(cat "$scratch/scan.err")"
[[ -f "$app/Scan_Log.txt" ]] || fail "the scan wrote no Scan_Log.txt"
sorvanecmd report >"$scratch/report.txt" || fail "SorvaneCmd report"
sorvanecmd report --json >"$scratch/report.json" || fail "SorvaneCmd report --json"
python3 - "$app/Scan_Log.txt" "$scratch/scan.json" "$scratch/report.txt" "$scratch/report.json" "$product" "$version" <<'PY' ||
import json, sys
log_path, scan_path, printed_path, json_path, product, version = sys.argv[1:]
raw = open(log_path, "rb").read()
assert b"\r\n" in raw and b"\n" not in raw.replace(b"\r\n", b""), "CR LF line ends only"
lines = raw.decode("cp1252").split("\r\n")
scan = json.load(open(scan_path))
head = ["", "", " " * 19 + product + "v" + version + "   Scan Report.", "", "", "", "-" * 23, ""]
assert lines[:8] == head, lines[:8]
assert lines[8].startswith(" Scan Started at  : ") and lines[10].startswith(" Scan Finished at : "), lines[8:11]
assert lines[12] == "-" * 23 and lines[14:20] == [""] * 6, lines[12:20]
assert lines[20].startswith(" 1)Total Number of Cookies and Processes inspected: "), lines[20]
assert lines[22].startswith(" 2)Total Number of Registry entries inspected: "), lines[22]
assert lines[24].startswith(" 3)Total Number of Files/Folders inspected: "), lines[24]
assert lines[28:31] == ["[Threats Detected]", "", ""], lines[28:31]
at = 31
for row in scan["results"]:
    assert lines[at:at + 5] == [row["text"], "", row["location"], "", ""], (lines[at:at + 5], row)
    at += 5
assert len(scan["results"]) >= 2, scan["results"]
assert lines[at:] == ["Total = %d" % len(scan["results"]), "", "", "", "=====================End Of Report.", ""], lines[at:]
printed = open(printed_path, encoding="utf-8").read().replace("\r\n", "\n")
assert printed == raw.decode("cp1252").replace("\r\n", "\n") + "\n", "SorvaneCmd report prints the file"
kept = json.load(open(json_path))
assert kept["results"] == scan["results"] and kept["started"] and kept["finished"], kept.keys()
assert lines[8] == " Scan Started at  : " + kept["started"], (lines[8], kept["started"])
print("report: %d threats, %d lines" % (len(scan["results"]), len(lines)))
PY
    fail "the report does not read as expected"

# 2. The submission, to the reference server.
mkdir -p "$scratch/releases"
"$server" serve --releases "$scratch/releases" --log "$scratch/server.log" --port-file "$scratch/port" \
    >"$scratch/server.out" 2>&1 &
server_pid=$!
for _ in $(seq 100); do [[ -s "$scratch/port" ]] && break; sleep 0.1; done
[[ -s "$scratch/port" ]] || fail "the reference server did not start: $(cat "$scratch/server.out")"
export SORVANE_SERVER_URL="http://127.0.0.1:$(cat "$scratch/port")"
odd='odd #1 & 100%+?=.exe'
submit "$odd" || fail "submit \"$odd\": $out"
[[ "$out" == "Results: $odd Submitted.  Thank you!" ]] || fail "submit printed \"$out\""
submit "$odd" || fail "a second submit of \"$odd\": $out"
submit "café.exe" || fail "submit café.exe: $out"
grep -qxF "submitted (new): $odd" "$scratch/server.log" || fail "the server did not log \"$odd\""
grep -qxF "submitted (seen): $odd" "$scratch/server.log" || fail "the server did not see \"$odd\" again"
grep -qxF "submitted (new): café.exe" "$scratch/server.log" || fail "the server did not log café.exe"
# The console sends the running programs only when asked to.
sorvanecmd remove --yes --only Sorvane-Test-Threat >"$scratch/remove.txt" 2>&1 || fail "remove: $(cat "$scratch/remove.txt")"
grep -qF "SorvaneCmd.exe" "$scratch/server.log" && fail "a removal run without --send-data reported the running programs"
"$plant" >"$scratch/plant.log" 2>&1 || { cat "$scratch/plant.log"; fail "could not plant the test threat again"; }
sorvanecmd remove --yes --send-data --only Sorvane-Test-Threat >"$scratch/remove.txt" 2>&1 ||
    fail "remove --send-data: $(cat "$scratch/remove.txt")"
grep -qxF "submitted (new): SorvaneCmd.exe" "$scratch/server.log" ||
    fail "the removal run with --send-data did not report the running programs"
for skipped in "System" "System Idle Process" winlogon.exe services.exe svchost.exe explorer.exe firefox.exe \
    iexplore.exe; do
    grep -qE "^submitted \((new|seen)\): $skipped\$" "$scratch/server.log" && fail "\"$skipped\" was reported"
done
echo "submission: the server logged $(grep -c '^submitted' "$scratch/server.log") names"
unset SORVANE_SERVER_URL
kill "$server_pid" 2>/dev/null
server_pid=""

# 3. The tray, on a display.
if [[ -z "${DISPLAY:-}" ]]; then
    echo "tray part SKIPPED: DISPLAY is not set"
    echo "report, submission: all checks passed"
    exit 0
fi
start_gui() {
    (cd "$app" && exec wine "C:\\Sorvane\\$(basename "$gui")") >"$scratch/app.log" 2>&1 &
    app_pid=$!
}
stop_gui() {
    probe close "$caption" 30000 || fail "the main window did not close"
    timeout 30 tail --pid="$app_pid" -f /dev/null || fail "the program did not exit"
    app_pid=""
}
user_setting() {
    wine reg query "HKCU\\Software\\VB and VBA Program Settings\\$product\\Settings" /v "$1" 2>/dev/null |
        tr -d '\r' | awk -v key="$1" '$1 == key { print $3 }'
}
start_gui
probe wait "$caption" 60000 "Scan Now" "Send to Tray" || fail "no main window"
probe click "$caption" 10000 "Send to Tray" || fail "Send to Tray"
probe hidden "$caption" 10000 || fail "the window did not go to the tray"
[[ "$(user_setting Minimized)" == "Yes" ]] || fail "Minimized is not Yes"
# Without a tray on the X display, Wine shows the notification area as a window of its own.
probe wait "Wine System Tray" 10000 || fail "no notification area holds the icon"
probe tray "$caption" 513 || fail "no window to take the icon's click"
probe wait "$product" 10000 "Show Program" "Exit Program" "Close This Menu" || fail "the popup did not show"
mkdir -p "$artifacts"
import -window root "$artifacts/tray-popup.png" || fail "no screenshot"
probe click-label "$product" 10000 "Show Program" || fail "Show Program"
probe wait "$caption" 10000 "Scan Now" || fail "Show Program did not bring the window back"
[[ "$(user_setting Minimized)" == "No" ]] || fail "Minimized is not No after the window came back"
stop_gui

wine reg add "HKCU\\Software\\VB and VBA Program Settings\\$product\\Settings" /v Minimized /d Yes /f >/dev/null
start_gui
probe hidden "$caption" 60000 || fail "a start with Minimized = Yes did not go to the tray"
probe tray "$caption" 515 || fail "no window to take the icon's double-click"
probe wait "$caption" 10000 "Scan Now" || fail "the double-click did not bring the window back"
stop_gui
echo "report, submission, tray: all checks passed"
