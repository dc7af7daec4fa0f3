#!/usr/bin/env bash
# The GUI program at a logoff: the user widens a column of the removal list, the session
# ends, the program stores "STOPPED" and the width with its closing steps and exits; the
# next start shows the column as the user left it.
#   gui_session_end.sh PROGRAM PROBE PRODUCT COMPANY
set -uo pipefail
program=$1 probe=$2 product=$3 company=$4
caption="$product by $company"
here=$(dirname "${BASH_SOURCE[0]}")

# shellcheck source=tests/e2e/gui_prefix.sh
source "$here/gui_prefix.sh"
skip_without_display
start_gui_prefix session
seed_settings "$product" "$company" || { echo "FAIL: could not set up the settings"; exit 1; }
mkdir "$scratch/app"
cp "$program" "$scratch/app/"

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
start_program() {
    (cd "$scratch/app" && exec wine "./$(basename "$program")") >>"$scratch/app.log" 2>&1 &
    app_pid=$!
    wine "$probe" wait "$caption" 60000 "Status" || fail "no main window"
}
stopped_in_time() {
    if timeout 30 tail --pid="$app_pid" -f /dev/null; then
        wait "$app_pid"
        echo "program exited with code $?"
        app_pid=""
        return 0
    fi
    return 1
}
setting() { # SECTION KEY
    wine reg query "HKCU\\Software\\VB and VBA Program Settings\\Sorvane\\$1" /v "$2" 2>/dev/null |
        tr -d '\r' | sed -n "s/^ *$2 *REG_SZ *//p"
}

start_program
# The removal list is the main window's list of three columns.
wine "$probe" colwidth "$caption" 3 1 200 | tee "$scratch/width.log"
grep -q "width 200" "$scratch/width.log" || fail "the column did not take the new width"
wine "$probe" endsession "$caption" 30000 || fail "the window did not close at the session's end"
stopped_in_time || fail "the program did not exit within 30 s of the session's end"

status=$(setting OptionAndSettings STATUS)
[[ "$status" == "STOPPED" ]] || fail "STATUS is \"$status\" after the logoff"
width=$(setting Settings FoundCol22)
echo "stored FoundCol22=$width"
[[ -n "$width" && "$width" != "1400" ]] || fail "the widened column was not stored"

start_program
wine "$probe" colwidth "$caption" 3 1 | tee "$scratch/width2.log"
grep -q "width 200" "$scratch/width2.log" || fail "the next start does not show the width the user left"
[[ "$(setting OptionAndSettings STATUS)" == "RUNNING" ]] || fail "STATUS is not RUNNING after the restart"
wine "$probe" close "$caption" 30000 || fail "the window did not close"
stopped_in_time || fail "the program did not exit after its window closed"

if [[ $failures -ne 0 ]]; then
    echo "program output:"
    cat "$scratch/app.log"
fi
[[ $failures -eq 0 ]]
