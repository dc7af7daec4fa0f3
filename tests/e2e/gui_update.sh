#!/usr/bin/env bash
# The GUI program's "Live Update" under Wine on the X display: against a server that never
# answers the update, the status window shows and the notification then says that the
# definitions could not be downloaded; against the reference definition server with a
# newer release, the notification says that the definitions were updated and the Status
# page shows the new date.
#   gui_update.sh PROGRAM PROBE DEFINITIONS_DIR SERVER_PROGRAM CLEAR_DEFINITIONS_DIR FAULT_SERVER ARTIFACTS_DIR PRODUCT COMPANY
set -uo pipefail
program=$(realpath "$1") probe=$(realpath "$2") defs=$(realpath "$3") server=$4 clear=$(realpath "$5")
fault=$(realpath "$6") artifacts=$7 product=$8 company=$9
caption="$product by $company"

if [[ -z "${DISPLAY:-}" ]]; then
    echo "SKIPPED: DISPLAY is not set; run the tests through scripts/test.sh, which provides a virtual display"
    exit 77
fi
if [[ ! -x "$server" ]]; then
    echo "SKIPPED: $server is not built (the native preset builds it)"
    exit 77
fi

# shellcheck source=tests/e2e/gui_prefix.sh
source "$(dirname "${BASH_SOURCE[0]}")/gui_prefix.sh"
start_gui_prefix gui-update
server_pid=""
trap '[[ -n "$server_pid" ]] && kill "$server_pid" 2>/dev/null; gui_prefix_cleanup' EXIT
fail() {
    echo "FAIL: $*"
    [[ -f "$scratch/app.log" ]] && { echo "program output:"; cat "$scratch/app.log"; }
    exit 1
}
seed_settings "$product" "$company" "
[HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\$product\\OptionAndSettings]
\"chkSendData\"=\"0\"" || fail "could not set up the settings"

app="$WINEPREFIX/drive_c/Sorvane"
mkdir -p "$app" "$scratch/releases/2006-03-16" "$scratch/releases/2024-05-14"
cp "$program" "$app/"
cp "$defs"/*.dat "$app/"
cp "$clear"/*.txt "$scratch/releases/2006-03-16/"
cp "$clear"/*.txt "$scratch/releases/2024-05-14/"
printf 'gui-new.exe=GUI-New|[progfil]GUI-New\r\n' >>"$scratch/releases/2024-05-14/ExeDefinition.txt"
# The server serves a release only once its marker is written, after every file.
touch "$scratch/releases/2006-03-16/RELEASE-COMPLETE" "$scratch/releases/2024-05-14/RELEASE-COMPLETE"

start_server() {
    rm -f "$scratch/port"
    "$@" &
    server_pid=$!
    for _ in $(seq 100); do [[ -s "$scratch/port" ]] && break; sleep 0.05; done
    [[ -s "$scratch/port" ]] || fail "the server did not start"
}
run_program() {
    (cd "$app" && SORVANE_SERVER_URL="http://127.0.0.1:$(cat "$scratch/port")" exec wine "C:\\Sorvane\\$(basename "$program")") \
        >"$scratch/app.log" 2>&1 &
    app_pid=$!
    probe wait "$caption" 60000 "Live Update" || fail "no main window"
}
end_program() {
    probe close "$caption" 30000 || fail "the main window did not close"
    timeout 30 tail --pid="$app_pid" -f /dev/null || fail "the program did not exit"
    app_pid=""
    kill "$server_pid" 2>/dev/null
    wait "$server_pid" 2>/dev/null
    server_pid=""
}

# 1. A server that never answers: the status window, then the failure notice.
start_server python3 "$fault" stall "$scratch/port"
run_program
probe click "$caption" 10000 "Live Update" || fail "Live Update"
probe wait "Live Update" 20000 "Cancel" || fail "no status window"
mkdir -p "$artifacts"
import -window root "$artifacts/gui-update-status.png" || fail "no screenshot"
probe wait "$product" 60000 "Definitions could not be downloaded. Please check your internet connection." "OK" ||
    fail "no failure notice"
end_program

# 2. The reference server with a newer release: the success notice and the new date.
start_server "$server" serve --releases "$scratch/releases" --port-file "$scratch/port" --log "$scratch/server.log" \
    --signing-key "$(dirname "${BASH_SOURCE[0]}")/../../cmake/dev-signing-key.pem"
run_program
probe click "$caption" 10000 "Live Update" || fail "Live Update"
probe wait "$product" 60000 "Your $product definitions have been updated!" "OK" || fail "no update notice"
import -window root "$artifacts/gui-update-notice.png" || fail "no screenshot"
probe wait "$caption" 10000 "5/14/2024 PST" || fail "the Status page does not show the new date"
[[ "$(cat "$app/date.dat")" == $'5/14/2024\r' ]] || fail "date.dat holds $(cat -A "$app/date.dat")"
end_program
echo "GUI live update: all checks passed"
