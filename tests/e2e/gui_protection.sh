#!/usr/bin/env bash
# Sorvane.exe left running in the tray of its own throwaway prefix: a start page changed
# behind its back is put back silently, and so are browser policies planted or changed in
# either hive (a new one deleted, a changed one given its old value back); a daily schedule
# set a little ahead of the clock starts one scan; a second start brings the running copy
# forward; a scan of the user's, held on its Pause box over a scheduled moment, is followed
# by no second scan.
#   gui_protection.sh PROGRAM PRODUCT COMPANY PROBE
set -uo pipefail
program=$1 product=$2 company=$3 probe=$4
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

install_program "$program" || fail "could not install the program"
# Files in absent folders, enough for a scan that lasts while the Pause button is pressed.
python3 -c 'import sys; sys.stdout.write("".join("f%d.exe=Threat%d|[progfil]\\absent%d\r\n" % (i, i, i) for i in range(40000)))' \
    >"$scratch/defs/FileDefinition.txt"
python3 "$(cd "$here/../.." && pwd)/data/definitions/encode.py" \
    "$(sed -n 's/.*DefinitionKey = \([0-9]*\).*/\1/p' "$here/../../definitions/encoding.h")" "$app" \
    "$scratch/defs/FileDefinition.txt" || fail "could not write the file definitions"
# The moment lies far enough ahead for the program to have started.
moment=$(date -d '+25 seconds' '+%-I:%M:%S %p')
seed_shield_settings "$product" "$company" False False 1 "$moment" || fail "could not set up the settings"

# The organisation's own machine policy, there before the program starts.
edge_policy='HKLM\Software\Policies\Microsoft\Edge'
chrome_policy='HKCU\Software\Policies\Google\Chrome'
wine reg add "$edge_policy" /v HomepageLocation /d "http://intranet.example/" /f >/dev/null 2>&1 ||
    fail "could not set the machine policy"

(cd "$app" && exec wine "C:\\Sorvane\\$(basename "$program")") >"$scratch/app.log" 2>&1 &
app_pid=$!
wait_until_running "$product" 60 || fail "the program did not start"

wine reg add "$main_key" /v "Start Page" /d "http://hijack.example/" /f >/dev/null 2>&1 || fail "could not change the page"
changed=$SECONDS
until [[ "$(setting "$main_key" "Start Page")" == "http://home.example/" ]]; do
    [[ $((SECONDS - changed)) -lt 20 ]] || fail "the start page was not put back within 20 s"
done
echo "the changed start page was put back after about $((SECONDS - changed)) s"

# The shield watches the policies from its first check on, which the put-back page shows has run.
wine reg add "$edge_policy" /v HomepageLocation /d "http://hijack.example/" /f >/dev/null 2>&1 &&
    wine reg add "$chrome_policy" /v HomepageLocation /d "http://hijack.example/" /f >/dev/null 2>&1 ||
    fail "could not plant the policies"
changed=$SECONDS
until [[ "$(setting "$edge_policy" HomepageLocation)" == "http://intranet.example/" ]] &&
    ! wine reg query "$chrome_policy" /v HomepageLocation >/dev/null 2>&1; do
    # The scheduled scan may hold the shield's timer for its duration.
    [[ $((SECONDS - changed)) -lt 60 ]] || fail "the planted policies were not put back within 60 s"
done
echo "the planted policies were put back after about $((SECONDS - changed)) s"

deadline=$((SECONDS + 90))
until [[ -n "$(setting "$settings\\Settings" lblLastScan)" ]]; do
    [[ $SECONDS -lt $deadline ]] || fail "the scheduled scan did not run"
done
first=$(setting "$settings\\Settings" lblLastScan)
echo "the scheduled scan for $moment ended at $first"
# The scan ran on time: it was no catch-up, and it settled the moments up to its own end.
expected=$(date -d "$moment" '+%Y-%m-%d %H:%M:%S')
# The program wrote it before this scan began; a query that reads nothing is the reg tool
# failing, and is asked again.
settled=""
for _ in 1 2 3 4 5; do
    settled=$(setting "$settings\\OptionAndSettings" LastScheduledScan)
    [[ -n "$settled" ]] && break
    sleep 1
done
caught=$(setting "$settings\\OptionAndSettings" CaughtUpScheduledScan)
if [[ -n "$caught" || -z "$settled" || "$settled" < "$expected" ]]; then
    echo "LastScheduledScan: '$settled'; CaughtUpScheduledScan: '$caught'"
    tail -n 20 "$scratch/app.log"
    fail "the scan was not recorded as the scheduled one"
fi
# No second scan follows. A query that reads nothing (the reg tool failing under load) tells
# nothing either way; only another time written there is a second scan.
end=$((SECONDS + 5))
while [[ $SECONDS -lt $end ]]; do
    last=$(setting "$settings\\Settings" lblLastScan)
    [[ -z "$last" || "$last" == "$first" ]] || fail "a second scan followed (it ended at $last)"
done

# A second start ends at once and brings the copy in the tray forward.
main_caption="$product by $company"
wine "$probe" hidden "$main_caption" 10000 || fail "the main window is not hidden in the tray"
started=$SECONDS
(cd "$app" && timeout 60 wine "C:\\Sorvane\\$(basename "$program")") >"$scratch/second.log" 2>&1 ||
    fail "the second start did not end by itself"
wine "$probe" wait "$main_caption" 20000 || fail "the running copy did not come forward"
echo "a second start brought the running copy forward within $((SECONDS - started)) s"

# A scan of the user's over a scheduled moment: started, held on its Pause box until the
# moment has passed, then let go. It covers that moment: no scan follows it. The moment is
# set only once the scan is held, so that slow clicks on a busy machine cannot let it come
# before the scan has started (a scheduled scan would then rightly run first).
wine "$probe" click "$main_caption" 10000 "Scan Now" || fail "no Scan Now button"
wine "$probe" click "$main_caption" 10000 "Start" || fail "no Start button"
wine "$probe" click "$main_caption" 10000 "Pause" || fail "the scan could not be paused"
wine "$probe" wait "$product" 10000 "OK" || fail "no Pause box"
moment=$(date -d '+3 seconds' '+%-I:%M:%S %p')
wine reg add "$settings\\OptionAndSettings" /v Time /d "$moment" /f >/dev/null 2>&1 || fail "could not set the time"
until [[ $(date '+%s') -gt $(($(date -d "$moment" '+%s') + 5)) ]]; do sleep 1; done
wine "$probe" click "$product" 10000 "OK" || fail "the Pause box could not be closed"
deadline=$((SECONDS + 30))
until [[ "$(setting "$settings\\Settings" lblLastScan)" != "$first" ]]; do
    [[ $SECONDS -lt $deadline ]] || fail "the user's scan did not end"
done
user_scan=$(setting "$settings\\Settings" lblLastScan)
echo "the user's scan over $moment ended at $user_scan"
# A missed moment would run at once or after 30 s.
end=$((SECONDS + 40))
while [[ $SECONDS -lt $end ]]; do
    [[ "$(setting "$settings\\Settings" lblLastScan)" == "$user_scan" ]] || fail "a scheduled scan followed the user's"
done

# Under German the program's weekday schedule (today's number, 0 Monday) still fires.
if mkdir -p "$scratch/locales" && localedef -i de_DE -f UTF-8 "$scratch/locales/de_DE.UTF-8" >/dev/null 2>&1; then
    wine "$probe" close "$main_caption" 20000 || fail "the program did not close"
    wait "$app_pid" 2>/dev/null
    moment=$(date -d '+25 seconds' '+%H:%M:%S')
    wine reg add "$settings\\OptionAndSettings" /v Day /d "$(($(date '+%u') - 1))" /f >/dev/null 2>&1 &&
        wine reg add "$settings\\OptionAndSettings" /v Time /d "$moment" /f >/dev/null 2>&1 &&
        wine reg add "$settings\\Settings" /v Minimized /d Yes /f >/dev/null 2>&1 || fail "could not set the weekday"
    (cd "$app" && LOCPATH="$scratch/locales" LC_ALL=de_DE.UTF-8 exec wine "C:\\Sorvane\\$(basename "$program")") \
        >"$scratch/app-de.log" 2>&1 &
    app_pid=$!
    deadline=$((SECONDS + 90))
    until [[ "$(setting "$settings\\Settings" lblLastScan)" != "$user_scan" ]]; do
        [[ $SECONDS -lt $deadline ]] || fail "the weekday schedule for $moment did not fire under German"
    done
    echo "under German the weekday schedule for $moment ran: $(setting "$settings\\Settings" lblLastScan)"
else
    echo "no German locale could be made here: the weekday schedule under German is left to the unit tests"
fi
echo "GUI protection: all checks passed"
