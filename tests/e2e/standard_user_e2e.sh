#!/usr/bin/env bash
# SorvaneCmd as a standard user whose program folder is not writable (as under Program Files
# on Windows): update, removal, exclusion and the scan report each say what could not be
# written and why, exit 2, and change nothing. Wine enforces no Windows permission, but a Unix
# user that is not root meets "access denied" on a folder it may not write; run as root (as
# CI does), the script makes such a user and runs itself again as it, in a prefix of its own.
# Usage: standard_user_e2e.sh SorvaneCmd.exe DEFINITIONS_DIR SERVER_PROGRAM CLEAR_DEFINITIONS_DIR
set -euo pipefail
fail() { echo "FAIL: $*" >&2; exit 1; }
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

if [[ $(id -u) -eq 0 ]]; then
    cmd=$(realpath "$1") defs=$(realpath "$2") server=$3 clear=$(realpath "$4")
    if [[ ! -x "$server" ]]; then
        echo "standard_user_e2e: $server is not built (the native preset builds it); skipped"
        exit 77
    fi
    user=sorvane-standard
    id -u "$user" >/dev/null 2>&1 || useradd --system --no-create-home --shell /usr/sbin/nologin "$user"
    stage=$(mktemp -d "${TMPDIR:-/tmp}/sorvane-standard-user.XXXXXX")
    server_pid=
    cleanup() {
        [[ -n "$server_pid" ]] && kill "$server_pid" 2>/dev/null || true
        runuser -u "$user" -- env WINEPREFIX="$stage/prefix" wineserver -k >/dev/null 2>&1 || true
        rm -rf "$stage"
    }
    trap cleanup EXIT
    # Releases for the reference server: the shipped definitions, and a newer set.
    mkdir -p "$stage/releases/2006-03-16" "$stage/releases/2024-05-14" "$stage/in"
    cp "$clear"/*.txt "$stage/releases/2006-03-16/"
    cp "$clear"/*.txt "$stage/releases/2024-05-14/"
    printf 'e2e-new.exe=E2E-New|[progfil]E2E-New\r\n' >>"$stage/releases/2024-05-14/ExeDefinition.txt"
    touch "$stage/releases/2006-03-16/RELEASE-COMPLETE" "$stage/releases/2024-05-14/RELEASE-COMPLETE"
    "$server" diff "$stage/releases/2006-03-16" "$stage/releases/2024-05-14" >/dev/null
    # Signed as a vendor's server is: a build that carries a key refuses an unsigned update before
    # it writes anything.
    signing_key=$(realpath "$here/../../cmake/dev-signing-key.pem")
    "$server" serve --releases "$stage/releases" --log "$stage/server.log" --port-file "$stage/port" \
        --signing-key "$signing_key" >/dev/null &
    server_pid=$!
    for _ in $(seq 100); do [[ -s "$stage/port" ]] && break; sleep 0.05; done
    [[ -s "$stage/port" ]] || fail "the server did not start"
    # What the user's run needs, readable by it.
    cp "$cmd" "$stage/in/SorvaneCmd.exe"
    cp "$defs"/*.dat "$stage/in/"
    cp "$here/standard_user_e2e.sh" "$here/../../scripts/real-profile-folders.sh" "$here/../../scripts/wine-dll-overrides.sh" \
        "$stage/in/"
    mkdir -p "$stage/prefix" "$stage/home"
    chmod 755 "$stage"
    chown -R "$user" "$stage/in" "$stage/prefix" "$stage/home"
    status=0
    runuser -u "$user" -- env HOME="$stage/home" STAGE="$stage" PORT="$(cat "$stage/port")" \
        bash "$stage/in/standard_user_e2e.sh" || status=$?
    exit "$status"
fi

# From here on: the standard user.
: "${STAGE:?run this script as root, or with STAGE and PORT set}" "${PORT:?}"
in="$STAGE/in"
work=$(mktemp -d "${TMPDIR:-/tmp}/sorvane-standard-run.XXXXXX")
export WINEPREFIX="$STAGE/prefix" WINEDEBUG=-all LC_ALL=C.UTF-8
source "$in/wine-dll-overrides.sh"
export WINEDLLOVERRIDES="$SORVANE_WINE_DLL_OVERRIDES"
cleanup_user() { chmod -R u+w "$work" 2>/dev/null || true; rm -rf "$work"; }
trap cleanup_user EXIT
wineboot >/dev/null 2>&1
wineserver -p 30 2>/dev/null || true
bash "$in/real-profile-folders.sh"

c="$WINEPREFIX/drive_c"
app="$c/Sorvane"
mkdir -p "$app"
cp "$in/SorvaneCmd.exe" "$in"/*.dat "$app/"
# A listed threat, where this user may change things: only the program folder is locked.
mkdir -p "$c/Program Files/Sorvane-Test-Threat"
threat="$c/Program Files/Sorvane-Test-Threat/sorvane-test-threat.exe"
printf 'harmless test file\r\n' >"$threat"
chmod -R a-w "$app"
snapshot() { (cd "$app" && ls -la --time-style=+%s . && md5sum ./*) | md5sum; }
before=$(snapshot)

run() {  # EXPECTED_EXIT COMMAND...
    local expected=$1 status=0
    shift
    (cd "$app" && SORVANE_SERVER_URL="http://127.0.0.1:$PORT" wine SorvaneCmd.exe "$@") >"$work/out" 2>"$work/err" || status=$?
    [[ $status -eq $expected ]] || { cat "$work/out" "$work/err"; fail "$* exited $status, not $expected"; }
}
said() {  # FILE TEXT
    grep -qF -- "$2" "$work/$1" || { cat "$work/out" "$work/err"; fail "no \"$2\" in $1"; }
}

run 2 update
said err "the definition files could not be replaced: C:\\Sorvane\\"
said err "access is denied"
grep -qi "internet" "$work/err" && fail "a local failure blamed on the connection"

run 2 remove --yes
said out "Not removed: C:\\Program Files\\Sorvane-Test-Threat\\sorvane-test-threat.exe (Access denied)"
said err "The scan report could not be saved: C:\\Sorvane\\Scan_Log.txt: Access denied"
[[ -f "$threat" ]] || fail "the threat was deleted though no copy could be kept"

run 2 exclude 'C:\Program Files\Sorvane-Test-Threat\sorvane-test-threat.exe'
said err "The exclusion could not be saved, so it holds only until Sorvane closes: C:\\Sorvane\\ENoSignature.txt: Access denied"

run 2 scan
said out "Sorvane-Test-Threat"
said err "The scan report could not be saved: C:\\Sorvane\\Scan_Log.txt: Access denied"

[[ "$(snapshot)" == "$before" ]] || { ls -la "$app"; fail "the program folder changed"; }
echo "standard user: update, removal, exclusion and report each named the cause, exit 2, nothing changed"
