#!/usr/bin/env bash
# Sorvane.exe left running in the tray of its own throwaway prefix: a start page changed
# behind its back is put back silently, and a daily schedule set a little ahead of the
# clock starts one scan.
#   gui_protection.sh PROGRAM PRODUCT COMPANY
set -uo pipefail
program=$1 product=$2 company=$3
here=$(dirname "${BASH_SOURCE[0]}")

if [[ -z "${DISPLAY:-}" ]]; then
    echo "SKIPPED: DISPLAY is not set; run the tests through scripts/test.sh, which provides a virtual display"
    exit 77
fi
# shellcheck source=tests/e2e/gui_prefix.sh
source "$here/gui_prefix.sh"
# shellcheck source=tests/e2e/shield_settings.sh
source "$here/shield_settings.sh"
start_gui_prefix protection
fail() { echo "FAIL: $*"; exit 1; }
settings="HKCU\\Software\\VB and VBA Program Settings\\$product"
main_key='HKCU\Software\Microsoft\Internet Explorer\Main'
setting() { wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | sed -n "s/^ *$2 *REG_SZ *//p"; }

# The moment lies far enough ahead for the program to have started.
moment=$(date -d '+25 seconds' '+%-I:%M:%S %p')
seed_shield_settings "$product" "$company" False False 1 "$moment" || fail "could not set up the settings"

install_program "$program" || fail "could not install the program"

(cd "$app" && exec wine "C:\\Sorvane\\$(basename "$program")") >"$scratch/app.log" 2>&1 &
app_pid=$!
wait_until_running "$product" 60 || fail "the program did not start"

wine reg add "$main_key" /v "Start Page" /d "http://hijack.example/" /f >/dev/null 2>&1 || fail "could not change the page"
changed=$SECONDS
until [[ "$(setting "$main_key" "Start Page")" == "http://home.example/" ]]; do
    [[ $((SECONDS - changed)) -lt 20 ]] || fail "the start page was not put back within 20 s"
done
echo "the changed start page was put back after about $((SECONDS - changed)) s"

deadline=$((SECONDS + 90))
until [[ -n "$(setting "$settings\\Settings" lblLastScan)" ]]; do
    [[ $SECONDS -lt $deadline ]] || fail "the scheduled scan did not run"
done
first=$(setting "$settings\\Settings" lblLastScan)
echo "the scheduled scan for $moment ended at $first"
# Read until it matches for a few seconds, as every other check here polls: one reading
# by a separate reg process is not taken as the program's word.
expected=$(date -d "$moment" '+%H:%M:%S')
settle_deadline=$((SECONDS + 5))
until settled=$(setting "$settings\\OptionAndSettings" LastScheduledScan); [[ "$settled" == *"$expected" ]]; do
    [[ $SECONDS -lt $settle_deadline ]] || break
    sleep 0.5
done
if [[ "$settled" != *"$expected" ]]; then
    echo "LastScheduledScan: '$settled'"
    echo "CaughtUpScheduledScan: '$(setting "$settings\\OptionAndSettings" CaughtUpScheduledScan)'"
    tail -n 20 "$scratch/app.log"
    fail "the scan was not recorded as the scheduled one"
fi
# No second scan follows.
end=$((SECONDS + 5))
while [[ $SECONDS -lt $end ]]; do
    [[ "$(setting "$settings\\Settings" lblLastScan)" == "$first" ]] || fail "a second scan followed"
done
echo "GUI protection: all checks passed"
