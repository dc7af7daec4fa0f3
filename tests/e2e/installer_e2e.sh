#!/usr/bin/env bash
# The setup program end to end, in a throwaway prefix: a silent install into Program Files,
# the installed console program's version and a scan of the planted test threat; an upgrade
# over newer definitions (kept) and over older ones (replaced), which keeps the exclusions,
# the quarantine and its log; a silent uninstall that ends the running program, removes the
# files, the start-up value and the settings and keeps the quarantine and the exclusions;
# an install with /D=. The start at logon is the installing user's Task Scheduler task,
# set up by the install and deleted by the uninstall; the install restricts its folder with
# icacls (Wine's icacls only says that it ran: it keeps no rights).
# With an X display the upgrade also closes the real running window, and an interactive
# uninstall is answered through its buttons.
#   installer_e2e.sh SETUP PLANT_SCRIPT PROBE BUILT_APP_DIR BUILT_CONSOLE PRODUCT COMPANY VERSION_TEXT DEFINITIONS_DATE
# PROBE is the window probe, which answers the interactive uninstaller's questions when
# there is a display; BUILT_APP_DIR holds the Sorvane.exe and definition files the setup
# ships, BUILT_CONSOLE is its SorvaneCmd.exe; the definitions date is year-month-day.
set -euo pipefail
setup=$(realpath "$1") plant=$(realpath "$2") probe=$(realpath "$3") built=$(realpath "$4") built_console=$(realpath "$5")
product=$6 company=$7 version=$8 defs_date=$9
here=$(dirname "${BASH_SOURCE[0]}")

# shellcheck source=tests/e2e/gui_prefix.sh
source "$here/gui_prefix.sh"
start_gui_prefix installer
# Settings of a program that has started before: no first-start question when it runs.
seed_settings "$product" "$company" || { echo "FAIL: could not set up the settings"; exit 1; }
c="$WINEPREFIX/drive_c"
mkdir "$c/setup"
cp "$setup" "$c/setup/"
setup_win="C:\\setup\\$(basename "$setup")"
# Nothing of the Linux file system is reachable from the prefix.
rm -f "$WINEPREFIX/dosdevices/z:"
cd "$c"

app="$c/Program Files/$product"
app_win="C:\\Program Files\\$product"
uninstall_key="HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$product"
run_key='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Run'
user_key='HKCU\Software\VB and VBA Program Settings\Sorvane'
start_menu="$c/ProgramData/Microsoft/Windows/Start Menu/Programs/$product"
definitions=(ExeDefinition.dat RegistryDefinition.dat FileDefinition.dat DirectoryDefinition.dat BlockedCookies.dat Safety.dat)
failures=0
# The tasks of the product that the Wine scheduler keeps, one file each.
logon_tasks() { { ls "$c/windows/system32/tasks" 2>/dev/null || true; } | grep -c "^$product (" || true; }

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
# The data of one registry value, or nothing when it is missing.
reg_value() {
    { wine reg query "$1" /v "$2" 2>/dev/null || true; } | tr -d '\r' | sed -n "s/^ *$2 *REG_[A-Z_]* *//p"
}
has_key() { wine reg query "$1" >/dev/null 2>&1; }
expect_value() {
    local got
    got=$(reg_value "$1" "$2")
    [[ "$got" == "$3" ]] || fail "$1 $2 is '$got', expected '$3'"
}
same() { cmp -s "$1" "$2" || fail "$2 differs from $1"; }
# Waits until the command succeeds, up to SECONDS_ALLOWED.
wait_for() {
    local allowed=$1 deadline
    shift
    deadline=$((SECONDS + allowed))
    until "$@"; do
        ((SECONDS < deadline)) || return 1
        sleep 0.2
    done
}
# A Wine program runs in the Linux process that started it, so its life is that process's.
alive() { kill -0 "$1" 2>/dev/null; }
ended() { wait_for 10 bash -c '! kill -0 "$0" 2>/dev/null' "$1"; }
# The Linux processes of this prefix whose command line names the program.
prefix_pids() {
    local proc
    for proc in /proc/[0-9]*; do
        # Errors first: a process gone since the listing must not show up as a failed open.
        tr '\0' '\n' 2>/dev/null <"$proc/environ" | grep -qxF "WINEPREFIX=$WINEPREFIX" || continue
        tr '\0' ' ' 2>/dev/null <"$proc/cmdline" | grep -qiF "$1" && basename "$proc"
    done
    return 0
}
# Through the command interpreter, so that a /D= folder with spaces arrives unquoted, as
# the setup wants it.
run_setup() {
    local status=0
    wine cmd /c "$setup_win /S $*" || status=$?
    [[ $status -eq 0 ]] || fail "setup $* exited $status"
}
# The uninstaller hands over to a copy of itself and returns at once: wait for the copy.
run_uninstall() {
    local folder=$1 status=0
    wine "$(winepath -w "$folder")\\Uninstall.exe" /S || status=$?
    [[ $status -eq 0 ]] || fail "uninstall exited $status"
    wait_for 60 bash -c '! has_key "$0" && [[ ! -e "$1/Uninstall.exe" ]]' "$uninstall_key" "$folder" ||
        fail "the uninstaller did not finish"
}
export -f has_key

# The shipped date as the system (US English here) writes a date without a time.
IFS=- read -r year month day <<<"$defs_date"
shipped_date="$((10#$month))/$((10#$day))/$year"

echo "--- silent install"
# Wine's icacls names itself on the debug channel when it runs.
WINEDEBUG=fixme+icacls run_setup 2>"$scratch/install.err"
grep -q 'icacls' "$scratch/install.err" || fail "the setup did not restrict its folder with icacls"
[[ "$(logon_tasks)" == 1 ]] || fail "the install set up $(logon_tasks) logon task(s), expected 1"
for file in Sorvane.exe "${definitions[@]}"; do same "$built/$file" "$app/$file"; done
same "$built_console" "$app/SorvaneCmd.exe"
[[ -f "$app/Uninstall.exe" ]] || fail "no uninstaller"
# A signed build: the uninstaller the setup writes is the one signed when it was made.
if [[ -n "${SIGNED_UNINSTALLER:-}" ]]; then same "$SIGNED_UNINSTALLER" "$app/Uninstall.exe"; fi
[[ "$(cat "$app/date.dat")" == "$shipped_date"$'\r' ]] || fail "date.dat holds '$(cat "$app/date.dat")'"
# The translations ship with every build; a help file only when the build has one.
same "$built/Localization.xml" "$app/Localization.xml"
for optional in Help.chm; do
    if [[ -f "$built/$optional" ]]; then same "$built/$optional" "$app/$optional"; fi
done
expect_value "$uninstall_key" DisplayName "$product"
expect_value "$uninstall_key" DisplayVersion "$version"
expect_value "$uninstall_key" Publisher "$company"
expect_value "$uninstall_key" InstallLocation "$app_win"
expect_value "$uninstall_key" DisplayIcon "$app_win\\Sorvane.exe,0"
expect_value "$uninstall_key" UninstallString "\"$app_win\\Uninstall.exe\""
size=$(reg_value "$uninstall_key" EstimatedSize)
(( ${size:-0} >= 1024 )) || fail "EstimatedSize is '$size' (KB)"
for shortcut in "$product" "$product Console Help" "Uninstall $product"; do
    [[ -f "$start_menu/$shortcut.lnk" ]] || fail "no Start menu shortcut '$shortcut'"
done

echo "--- the installed programs"
version_text=$(wine "$app_win\\SorvaneCmd.exe" --version | tr -d '\r') || fail "--version failed"
[[ "$version_text" == *"Version $version"* && "$version_text" == *"$company"* ]] ||
    fail "--version printed: $version_text"
"$plant" >/dev/null
status=0
wine "$app_win\\SorvaneCmd.exe" scan --quick --json >"$scratch/scan.json" 2>"$scratch/scan.err" || status=$?
[[ $status -eq 1 ]] || { cat "$scratch/scan.err"; fail "scan exited $status, expected 1 (threats found)"; }
python3 - "$scratch/scan.json" <<'PY' || fail "the scan did not find the test threat"
import json, sys
data = json.load(open(sys.argv[1]))
files = {f["path"].lower() for f in data["work"]["files"]}
sys.exit(0 if "c:\\program files\\sorvane-test-threat\\sorvane-test-threat.exe" in files else 1)
PY
wine "$app_win\\SorvaneCmd.exe" remove --quick --yes >"$scratch/remove.out" 2>&1 || fail "remove failed"
[[ -f "$app/quarantine/sorvane-test-threat.exe" && -s "$app/quarantine/QuarantineLog.txt" ]] ||
    { cat "$scratch/remove.out"; fail "the removal left nothing in the quarantine"; }

echo "--- upgrade over newer definitions"
printf 'C:\\Keep\\This\\Folder\r\n' >"$app/ENoSignature.txt"
printf '1/1/2030 10:00:00 AM\r\n' >"$app/date.dat"
printf 'updated definitions\r\n' >"$app/FileDefinition.dat"
rm "$app/Safety.dat"
printf 'older program' >"$app/SorvaneCmd.exe"
mkdir "$scratch/before"
cp -r "$app/quarantine" "$app/ENoSignature.txt" "$app/date.dat" "$app/FileDefinition.dat" "$scratch/before/"
gui_closed=""
if [[ -n "${DISPLAY:-}" ]]; then
    # The program running from the install folder: the upgrade closes its window, so that
    # it stores its status on the way out.
    (cd "$app" && exec wine "$app_win\\Sorvane.exe") >"$scratch/app.log" 2>&1 &
    app_pid=$!
    wait_for 60 bash -c '[[ "$(wine reg query "$0\\OptionAndSettings" /v STATUS 2>/dev/null)" == *RUNNING* ]]' "$user_key" ||
        fail "the installed program did not start"
    gui_closed=yes
fi
run_setup
same "$built_console" "$app/SorvaneCmd.exe"
diff -r "$scratch/before/quarantine" "$app/quarantine" >/dev/null || fail "the upgrade changed the quarantine"
for kept in ENoSignature.txt date.dat FileDefinition.dat; do same "$scratch/before/$kept" "$app/$kept"; done
same "$built/Safety.dat" "$app/Safety.dat"
expect_value "$user_key\\Settings" Language English
if [[ -n "$gui_closed" ]]; then
    ended "$app_pid" || fail "the upgrade left the program running"
    expect_value "$user_key\\OptionAndSettings" STATUS STOPPED
    wait "$app_pid" 2>/dev/null || true
    app_pid=""
fi

echo "--- upgrade over older definitions"
printf '1/1/2005\r\n' >"$app/date.dat"
printf 'old definitions\r\n' >"$app/FileDefinition.dat"
run_setup
same "$built/FileDefinition.dat" "$app/FileDefinition.dat"
[[ "$(cat "$app/date.dat")" == "$shipped_date"$'\r' ]] || fail "date.dat not replaced: '$(cat "$app/date.dat")'"
same "$scratch/before/ENoSignature.txt" "$app/ENoSignature.txt"
ls "$app"/*.setup >/dev/null 2>&1 && fail "unfinished copies left behind: $(ls "$app"/*.setup)"

echo "--- silent uninstall"
wine reg add "$run_key" /v Sorvane /d "$app_win\\Sorvane" /f >/dev/null
wine reg add "$run_key" /v Sorvane-Other /d 'C:\Other\Other.exe' /f >/dev/null
wine reg add "$user_key\\OptionAndSettings" /v chkRunAtStartup /d 1 /f >/dev/null
wine reg add "HKLM\\SOFTWARE\\$company\\Sorvane\\Settings" /v FirstTime /d Yes /f >/dev/null
# Two copies of a program that only waits, both named Sorvane.exe: one runs from the
# install folder and must be ended, the other runs from elsewhere and must be left alone.
# Each marks its start in the test threat's folder.
mkdir -p "$c/Other" "$c/Program Files/Sorvane-Test-Threat"
cp "$app/quarantine/sorvane-test-threat.exe" "$app/Sorvane.exe"
cp "$app/quarantine/sorvane-test-threat.exe" "$c/Other/Sorvane.exe"
started="$c/Program Files/Sorvane-Test-Threat/started.txt"
start_waiting() {
    rm -f "$started"
    wine "$1" >/dev/null 2>&1 &
    waiting_pid=$!
    wait_for 30 test -f "$started" || fail "$1 did not start"
}
start_waiting "$app_win\\Sorvane.exe"
installed_pid=$waiting_pid
start_waiting 'C:\Other\Sorvane.exe'
other_pid=$waiting_pid
rm -r "$c/Program Files/Sorvane-Test-Threat"
cp -r "$app/quarantine" "$scratch/quarantine-before-uninstall"
# What an update cut off part-way leaves behind goes with the program.
for leftover in update.pending temp.dat ExeDefinition.dat.new date.dat.new; do printf 'x' >"$app/$leftover"; done
[[ "$(logon_tasks)" == 1 ]] || fail "the upgrades left $(logon_tasks) logon task(s), expected 1"
run_uninstall "$app"
[[ "$(logon_tasks)" == 0 ]] || fail "the uninstall left $(logon_tasks) logon task(s)"
ended "$installed_pid" || fail "the uninstaller left the installed program running"
alive "$other_pid" || fail "the uninstaller ended a Sorvane.exe of another folder"
kill "$other_pid" 2>/dev/null
left=$(ls -A "$app" 2>/dev/null | LC_ALL=C sort | tr '\n' ' ' || true)
[[ "$left" == "ENoSignature.txt quarantine " ]] || fail "left in the install folder: $left"
same "$scratch/before/ENoSignature.txt" "$app/ENoSignature.txt"
diff -r "$scratch/quarantine-before-uninstall" "$app/quarantine" >/dev/null || fail "the quarantine changed"
[[ -z "$(reg_value "$run_key" Sorvane)" ]] || fail "the start-up value is still there"
expect_value "$run_key" Sorvane-Other 'C:\Other\Other.exe'
has_key "$user_key" && fail "the per-user settings are still there"
has_key "HKLM\\SOFTWARE\\$company" && fail "the machine-wide settings are still there"
has_key "$uninstall_key" && fail "the uninstall entry is still there"
[[ -e "$start_menu" ]] && fail "the Start menu folder is still there"

echo "--- install into a folder of one's own"
run_setup "/D=C:\\Apps\\My $product"
own="$c/Apps/My $product"
same "$built/Sorvane.exe" "$own/Sorvane.exe"
expect_value "$uninstall_key" InstallLocation "C:\\Apps\\My $product"
run_uninstall "$own"
[[ -e "$own" ]] && fail "the folder without a quarantine is still there: $(ls -A "$own")"
diff -r "$scratch/quarantine-before-uninstall" "$app/quarantine" >/dev/null || fail "the other folder's quarantine changed"

if [[ -n "${DISPLAY:-}" ]]; then
    echo "--- interactive install over the kept quarantine, the program started, interactive uninstall"
    # Presses the buttons in turn, each as soon as it is there, in a window titled TITLE:
    # the pages with a caption of their own add a blank to the title, the questions do not.
    press() {
        local title=$1 button deadline
        shift
        for button in "$@"; do
            deadline=$((SECONDS + 30))
            until wine "$probe" click "$title" 300 "$button" >/dev/null || wine "$probe" click "$title " 300 "$button" >"$scratch/probe.log"; do
                ((SECONDS < deadline)) || { cat "$scratch/probe.log"; fail "could not press $button in '$title'"; return 1; }
            done
        done
    }
    # The uninstall took the settings: without them the program would open with questions.
    seed_settings "$product" "$company"
    wine "$setup_win" >/dev/null 2>&1 &
    setup_pid=$!
    # Welcome, licence, folder; the last page starts the program.
    press "$product Setup" "Next >" "I Agree" "Install" "Finish" || true
    ended "$setup_pid" || { fail "the interactive setup did not end"; kill "$setup_pid"; }
    same "$built/Sorvane.exe" "$app/Sorvane.exe"
    wait_for 60 bash -c '[[ "$(wine reg query "$0\\OptionAndSettings" /v STATUS 2>/dev/null)" == *RUNNING* ]]' "$user_key" ||
        fail "the setup's last page did not start the program"
    gui_pids=$(prefix_pids 'Sorvane.exe')
    [[ -n "$gui_pids" ]] || fail "no running Sorvane.exe found"
    mkdir -p "$app/quarantine/Removed Folder"
    printf 'removed' >"$app/quarantine/Removed Folder/file.txt"
    wine "$app_win\\Uninstall.exe" >/dev/null 2>&1
    # Confirm; close the running program; do not keep the quarantine; the last page.
    press "$product Uninstall" Uninstall OK No Close || true
    wait_for 60 bash -c '! has_key "$0" && [[ ! -e "$1" ]]' "$uninstall_key" "$app" ||
        fail "the interactive uninstall left $(ls -A "$app" 2>/dev/null | tr '\n' ' ')"
    for pid in $gui_pids; do ended "$pid" || fail "the interactive uninstall left the program running"; done
fi

if [[ $failures -ne 0 ]]; then
    echo "installer e2e: $failures check(s) failed"
    exit 1
fi
echo "installer e2e: all checks passed"
