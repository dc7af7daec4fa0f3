#!/usr/bin/env bash
# The GUI program end to end under Wine on the X display: in a throwaway prefix without a
# Z: drive, with the test threat planted, press "Scan Now" and "Start", wait for
# "Scanning complete.", check the found list, then "Results/Removal", "Select All",
# "Delete", answer Yes, and check that the threat went into the quarantine.
#   gui_scan_remove.sh PROGRAM PROBE DEFINITIONS_DIR PLANT_SCRIPT ARTIFACTS_DIR PRODUCT COMPANY
# Screenshots of the found list and of the emptied results page go to ARTIFACTS_DIR.
set -uo pipefail
program=$(realpath "$1") probe=$(realpath "$2") defs=$(realpath "$3") plant=$(realpath "$4")
artifacts=$5 product=$6 company=$7
caption="$product by $company"

if [[ -z "${DISPLAY:-}" ]]; then
    echo "SKIPPED: DISPLAY is not set; run the tests through scripts/test.sh, which provides a virtual display"
    exit 77
fi

# shellcheck source=tests/e2e/gui_prefix.sh
source "$(dirname "${BASH_SOURCE[0]}")/gui_prefix.sh"
start_gui_prefix gui-scan
fail() {
    echo "FAIL: $*"
    [[ -f "$scratch/app.log" ]] && { echo "program output:"; cat "$scratch/app.log"; }
    exit 1
}
# Polls a shell condition until it holds or the deadline (seconds) passes.
wait_for() {
    local seconds=$1
    shift
    local deadline=$((SECONDS + seconds))
    until "$@"; do
        ((SECONDS < deadline)) || return 1
        sleep 0.2
    done
}
screenshot() {
    mkdir -p "$artifacts"
    import -window root "$artifacts/$1" || fail "no screenshot $1"
    echo "screenshot $artifacts/$1: $(identify -format '%wx%h, %k colours' "$artifacts/$1")"
}

# The complete scan would walk only C: this way; the quick scan is what runs here.
rm -f "$WINEPREFIX/dosdevices/z:"
seed_settings "$product" "$company" "
[HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\$product\\OptionAndSettings]
\"optScanOnlyKnownSoftwares\"=\"True\"
\"optScanAllSelectedHardDrive\"=\"False\"
\"chkSendData\"=\"0\"" || fail "could not set up the settings"

drive_c="$WINEPREFIX/drive_c"
app="$drive_c/Sorvane"
mkdir -p "$app"
cp "$program" "$app/"
cp "$defs"/*.dat "$app/"
"$plant" >"$scratch/plant.log" 2>&1 || { cat "$scratch/plant.log"; fail "could not plant the test threat"; }
profile=$(find "$drive_c/users" -mindepth 1 -maxdepth 1 -type d ! -name Public | head -n 1)
user=$(basename "$profile")
threat_dir="$drive_c/Program Files/Sorvane-Test-Threat"
threat_exe="$threat_dir/sorvane-test-threat.exe"
cookie="$profile/AppData/Local/Microsoft/Windows/INetCookies/$user@sorvane-test-threat[1].txt"
cp "$threat_exe" "$scratch/threat.exe"

(cd "$app" && exec wine "C:\\Sorvane\\$(basename "$program")") >"$scratch/app.log" 2>&1 &
app_pid=$!

probe wait "$caption" 60000 "Scan Now" "Results/Removal" || fail "no main window"
probe click "$caption" 10000 "Scan Now" || fail "Scan Now"
probe click "$caption" 10000 "Start" || fail "Start"
probe wait "$caption" 180000 "Scanning complete." || fail "the scan did not complete"
probe rows "$caption" >"$scratch/found.txt" || fail "could not read the found list"
cat "$scratch/found.txt"
for row in "Sorvane-Test-Threat - Found" "Cookie Found: $user@sorvane-test-threat[1].txt" \
    "Detected in the memory : SORVANE-TEST-THREAT.EXE was stopped from running."; do
    grep -qF "] $row" "$scratch/found.txt" || fail "the found list lacks \"$row\""
done
screenshot gui-scan.png

probe click "$caption" 10000 "Results/Removal" || fail "Results/Removal"
probe click "$caption" 10000 "Select All" || fail "Select All"
probe wait "$caption" 10000 "Delete" || fail "no Delete button on the Results page"
probe rows "$caption" >"$scratch/results.txt" || fail "could not read the results list"
cat "$scratch/results.txt"
grep -qF "[x] Sorvane-Test-Threat | HKEY_CURRENT_USER\\Software\\Sorvane-Test-Threat" "$scratch/results.txt" ||
    fail "the registry row is not listed and checked"
grep -qF "[x] Cookie: $user@sorvane-test-threat[1].txt" "$scratch/results.txt" || fail "the cookie row is not checked"
grep -qF "[ ]" "$scratch/results.txt" && fail "Select All left a row unchecked"

probe click "$caption" 10000 "Delete" || fail "Delete"
probe click "Really Delete?" 30000 "Yes" || fail "no confirmation to answer"
# The cookie is the last kind a run removes; the log is written as each item goes.
log="$app/quarantine/QuarantineLog.txt"
wait_for 120 test -f "$app/quarantine/$user@sorvane-test-threat[1].txt" ||
    fail "the cookie did not reach the quarantine"
wait_for 60 grep -qF "Sorvane-Test-Threat" "$log" || fail "nothing logged"
[[ ! -e "$threat_exe" ]] || fail "the planted program is still in place"
[[ ! -e "$threat_dir" ]] || fail "the planted folder is still in place"
[[ ! -e "$cookie" ]] || fail "the planted cookie is still in place"
kept=$(find "$app/quarantine" -name sorvane-test-threat.exe | head -n 1)
[[ -n "$kept" ]] && cmp -s "$scratch/threat.exe" "$kept" || fail "the program was not kept byte for byte"
wine reg query 'HKCU\Software\Sorvane-Test-Threat' >/dev/null 2>&1 && fail "the planted key is still there"
wine reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Run' /v Sorvane-Test-Threat >/dev/null 2>&1 &&
    fail "the start-up value is still there"
# The run drops the removed rows once both passes are done.
results_emptied() { probe rows "$caption" >"$scratch/after.txt" && grep -q "^list 1: 0 rows" "$scratch/after.txt"; }
wait_for 60 results_emptied || fail "the results list still holds rows: $(cat "$scratch/after.txt")"
screenshot gui-removal.png
# The question promised a restore point; Wine's System Restore makes none, and the run says so.
probe wait "$product" 60000 "No System Restore point was made (System Restore is turned off or not available). The removed items can still be put back from the quarantine." "OK" ||
    fail "no word that the restore point was not made"
probe click "$product" 10000 "OK" || fail "the restore point notice could not be closed"

probe close "$caption" 30000 || fail "the main window did not close"
timeout 30 tail --pid="$app_pid" -f /dev/null || fail "the program did not exit within 30 s of its window closing"
wait "$app_pid"
status=$?
app_pid=""
[[ $status -eq 0 ]] || fail "the program exited with code $status"
echo "GUI scan and removal: all checks passed"
