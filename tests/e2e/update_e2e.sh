#!/usr/bin/env bash
# End to end: SorvaneCmd update under Wine against the reference definition server on
# 127.0.0.1. A first update from the shipped definitions to a newer release changes
# exactly the expected lines and date.dat; a second run is current; a server that stalls,
# sends an endless body, answers 404, closes the connection before the body it announced
# is complete, or is down leaves every file untouched (exit 2); and
# an update killed at many moments leaves each definition file wholly old or wholly new.
# Under a D.M.Y locale, a Korean one (code page 949) and a Japanese one (932) the same update
# gives byte-identical definition files, and date.dat is read back as the date stored; a
# chunked body without its closing record is refused; and a second process started while an
# update commits never leaves a mixed set. Every answer is signed with the development key;
# what the publisher did not sign (a changed byte, no statement), signed for other
# definitions, signed earlier (a replay) or signed long ago (expired) is refused with its
# message and changes no file; a rollback brings back the files before the update byte for
# byte, once, and the next update moves forward again. A missing definition file is recreated
# from the whole file under its own statement, and refused when one byte of it changed. Through a forwarding proxy set in the
# prefix's Internet Settings the update arrives, sends back no cookie the proxy set, and fails
# with the network's message once the proxy is down. Against nginx serving a published tree
# (server/nginx/*.conf) the client ends with the same files as against the reference server.
# An https:// server whose certificate the system does not trust (a self-signed one) is
# refused with a message that names the certificate, and nothing changes.
# Usage: update_e2e.sh SorvaneCmd.exe DEFINITIONS_DIR SERVER_PROGRAM CLEAR_DEFINITIONS_DIR FAULT_SERVER
set -euo pipefail
cmd=$(realpath "$1") defs=$(realpath "$2") server=$3 clear=$(realpath "$4") fault=$(realpath "$5")
if [[ ! -x "$server" ]]; then
    echo "update_e2e: $server is not built (the native preset builds it); skipped"
    exit 77
fi

source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-dll-overrides.sh"
export WINEDEBUG=-all LC_ALL=C.UTF-8 WINEDLLOVERRIDES="$SORVANE_WINE_DLL_OVERRIDES"
work=$(mktemp -d "${TMPDIR:-/tmp}/sorvane-update-e2e.XXXXXX")
pids=()
own_prefix=0
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    if [[ $own_prefix -eq 1 ]]; then wineserver -k >/dev/null 2>&1 || true; fi
    rm -rf "$work"
}
trap cleanup EXIT
if [[ -z "${WINEPREFIX:-}" || "$WINEPREFIX" == "${HOME:-}/.wine" ]]; then
    export WINEPREFIX="$work/prefix"
    own_prefix=1
    wineboot >/dev/null 2>&1
    wineserver -p 30 2>/dev/null || true
    # The profile's links to the real home folder become plain folders.
    bash "$(dirname "${BASH_SOURCE[0]}")/../../scripts/real-profile-folders.sh"
fi

app="$work/app"
mkdir -p "$app" "$work/releases/2006-03-16" "$work/releases/2024-05-14"
cp "$cmd" "$app/"
cp "$defs"/*.dat "$app/"
cp "$clear"/*.txt "$work/releases/2006-03-16/"
new="$work/releases/2024-05-14"
cp "$clear"/*.txt "$new/"
printf 'e2e-new.exe=E2E-New|[progfil]E2E-New\r\n' >>"$new/ExeDefinition.txt"
printf '2^Software\\E2E-New^=E2E-New|whole key\r\n' >>"$new/RegistryDefinition.txt"
printf 'SDIR|E2E-Good|[progfil]E2E-Good\r\n' >>"$new/Safety.txt"
grep -v '^doubleclick.net' "$clear/BlockedCookies.txt" >"$new/BlockedCookies.txt"
# The server serves a release only once its marker is written, after every file.
touch "$work/releases/2006-03-16/RELEASE-COMPLETE" "$new/RELEASE-COMPLETE"
"$server" diff "$work/releases/2006-03-16" "$new" >/dev/null

signing_key=$(realpath "$(dirname "${BASH_SOURCE[0]}")/../../cmake/dev-signing-key.pem")
start_server() {  # MODE (real|unsigned|stall|endless|missing|short) -> sets port
    rm -f "$work/port"
    if [[ $1 == real ]]; then
        "$server" serve --releases "$work/releases" --log "$work/server.log" --port-file "$work/port" \
            --signing-key "$signing_key" >/dev/null &
    elif [[ $1 == unsigned ]]; then
        "$server" serve --releases "$work/releases" --log "$work/server.log" --port-file "$work/port" >/dev/null &
    else
        python3 "$fault" "$1" "$work/port" &
    fi
    server_pid=$!
    pids+=("$server_pid")
    for _ in $(seq 100); do [[ -s "$work/port" ]] && break; sleep 0.05; done
    port=$(cat "$work/port")
}
stop_server() { kill "$server_pid" 2>/dev/null || true; wait "$server_pid" 2>/dev/null || true; }
update() {  # EXPECTED_STATUSES (such as 0 or 0|1) [--json]
    local expected=$1 status=0
    shift
    LC_ALL=${wine_locale:-$LC_ALL} SORVANE_SERVER_URL="http://127.0.0.1:$port" wine "$app/SorvaneCmd.exe" update "$@" \
        >"$work/out" 2>"$work/err" || status=$?
    if [[ ! "|$expected|" == *"|$status|"* ]]; then
        echo "update: expected exit $expected, got $status"; cat "$work/out" "$work/err"; exit 1
    fi
}
snapshot() { (cd "$app" && md5sum ./*.dat 2>/dev/null; ls) | md5sum; }

# 1. From the shipped definitions to the newer release.
start_server real
before=$(snapshot)
update 0 --json
python3 - "$app" "$clear" "$work/out" <<'PY'
import json, os, sys
app, clear, out = sys.argv[1:4]
def decode(data):
    return bytes(c if c in (10, 13) else (c - 124 if c > 124 else c - 124 + 255) for c in data)
def stored(name):
    return decode(open(os.path.join(app, name + ".dat"), "rb").read()).decode("cp1252")
def shipped(name):
    return open(os.path.join(clear, name + ".txt"), "rb").read().decode("cp1252")
def lines(text):
    return text.replace("\r\n", "\n").split("\n")[:-1] if text else []
failures = []
def expect(name, want):
    got = stored(name)
    if got != want:
        failures.append(f"{name}: {got!r} != {want!r}")
crlf = lambda ls: "".join(l + "\r\n" for l in ls)
expect("ExeDefinition", shipped("ExeDefinition") + "e2e-new.exe=E2E-New|[progfil]E2E-New\r\n")
expect("FileDefinition", shipped("FileDefinition") + "e2e-new.exe=E2E-New|[progfil]E2E-New\r\n")
expect("RegistryDefinition", shipped("RegistryDefinition") + "2^Software\\E2E-New^=E2E-New|whole key\r\n")
expect("Safety", shipped("Safety") + "SDIR|E2E-Good|[progfil]E2E-Good\r\n")
expect("BlockedCookies", crlf(l for l in lines(shipped("BlockedCookies")) if l and l != "doubleclick.net"))
expect("DirectoryDefinition", shipped("DirectoryDefinition"))
date = open(os.path.join(app, "date.dat"), "rb").read()
if date != b"5/14/2024\r\n":
    failures.append(f"date.dat: {date!r}")
doc = json.load(open(out))
if doc.get("result") != "updated" or doc.get("date") != "5/14/2024" or doc.get("changes") != 5:
    failures.append(f"json: {doc}")
for left in ("update.pending", "temp.dat"):
    if os.path.exists(os.path.join(app, left)):
        failures.append(f"{left} left behind")
if failures:
    print("\n".join(failures)); sys.exit(1)
PY
grep -q 'GET /asp/getDefsNEW.asp?prog=Sorvane&comp=Talvenor&date=3/16/2006&iso=2006-03-16T00:00:00 200' "$work/server.log"

# 2. Nothing newer.
update 1
grep -q 'current' "$work/out"
updated=$(snapshot)
[[ "$updated" != "$before" ]]
cp -r "$app" "$work/updated"
stop_server

# 3. Servers that fail: every file stays as it is.
rm -f "$app/date.dat"
cp "$defs"/*.dat "$app/"
before=$(snapshot)
date_before=$(cat "$app/date.dat" 2>/dev/null || echo "<missing>")
for mode in stall endless missing short; do
    start_server "$mode"
    update 2
    stop_server
    [[ "$(snapshot)" == "$before" ]] || { echo "a server that does '$mode' changed the files"; exit 1; }
    # A cut-off body taken as whole would also move the date on, and the next run would
    # never ask for what was lost.
    date_after=$(cat "$app/date.dat" 2>/dev/null || echo "<missing>")
    [[ "$date_after" == "$date_before" ]] || { echo "a server that does '$mode' changed date.dat"; exit 1; }
done
start_server real
stop_server
update 2
[[ "$(snapshot)" == "$before" ]]

# 4. Killed at many moments: each definition file is wholly old or wholly new, and the
#    next run finishes the job.
start_server real
cp -r "$app" "$work/old"
for delay in 0.1 0.2 0.3 0.45 0.6 0.9; do
    rm -rf "$app" && cp -r "$work/old" "$app"
    SORVANE_SERVER_URL="http://127.0.0.1:$port" wine "$app/SorvaneCmd.exe" update >/dev/null 2>&1 &
    victim=$!
    sleep "$delay"
    kill -9 "$victim" 2>/dev/null || true
    wait "$victim" 2>/dev/null || true
    for file in "$work/old"/*.dat; do
        name=$(basename "$file")
        [[ "$name" == date.dat ]] && continue
        if ! cmp -s "$app/$name" "$file" && ! cmp -s "$app/$name" "$work/updated/$name"; then
            echo "killed after ${delay}s: $name is neither the old nor the new file"; exit 1
        fi
    done
    update '0|1'
    for file in "$work/updated"/*.dat; do
        cmp -s "$app/$(basename "$file")" "$file" || { echo "after ${delay}s and a rerun: $(basename "$file") differs"; exit 1; }
    done
done
stop_server

# 5. Every locale and code page: the same bytes. The server stands in for one that answers
#    ISO 8601 to the "iso" parameter and sends the update chunked, closed by its end record.
"$server" diff "$work/releases/2006-03-16" "$new" >"$work/update.txt"
# diff prints the text as served, closing record included; the stand-in adds it itself, or
# leaves it off to send a cut-off body.
python3 - "$work/update.txt" <<'PY'
import sys
path = sys.argv[1]
text = open(path, "rb").read()
closing = b"[BR]|END[DEF]"
assert text.endswith(closing), "diff printed no closing record"
open(path, "wb").write(text[: -len(closing)])
PY
start_release() {  # MODE
    rm -f "$work/port" "$work/requests"
    python3 "$fault" "$1" "$work/port" "$work/update.txt" "$work/requests" &
    server_pid=$!
    pids+=("$server_pid")
    for _ in $(seq 100); do [[ -s "$work/port" ]] && break; sleep 0.05; done
    port=$(cat "$work/port")
}
fresh_app() { rm -rf "$app" && mkdir -p "$app" && cp "$cmd" "$app/" && cp "$defs"/*.dat "$app/" && rm -f "$app/date.dat"; }
start_release release
for locale in de_DE.UTF-8 ko_KR.UTF-8 ja_JP.UTF-8; do
    fresh_app
    wine_locale=$locale update 0
    for file in "$work/updated"/*.dat; do
        name=$(basename "$file")
        [[ "$name" == date.dat ]] && continue
        cmp -s "$app/$name" "$file" || { echo "$locale: $name differs from the en-US update"; exit 1; }
    done
    # The stored date is read back as the one written (non-ASCII AM/PM markers included): the
    # next request carries it, and nothing is newer.
    : >"$work/requests"
    wine_locale=$locale update 1
    grep -q 'currentDateNEW.asp?prog=Sorvane&comp=Talvenor&iso=2024-05-14T09:30:00$' "$work/requests" || {
        echo "$locale: date.dat ($(od -c "$app/date.dat" | head -2)) was not read back"; cat "$work/requests"; exit 1; }
done
stop_server

# 6. The same body cut off after a whole record, without its closing record: refused.
start_release release-cut
fresh_app
before=$(snapshot)
update 2
grep -q 'cut off' "$work/err" || { echo "a cut-off body was not named as such"; cat "$work/err"; exit 1; }
[[ "$(snapshot)" == "$before" ]] || { echo "a cut-off chunked body changed the files"; exit 1; }
stop_server

# 7. A second process started while an update commits, the first killed at some moment:
#    whatever the order, each file is wholly old or wholly new, and a rerun completes it.
start_server real
for delay in 0.15 0.3 0.5 0.8; do
    rm -rf "$app" && cp -r "$work/old" "$app"
    SORVANE_SERVER_URL="http://127.0.0.1:$port" wine "$app/SorvaneCmd.exe" update >/dev/null 2>&1 &
    first=$!
    sleep "$delay"
    SORVANE_SERVER_URL="http://127.0.0.1:$port" wine "$app/SorvaneCmd.exe" update >/dev/null 2>&1 &
    second=$!
    sleep 0.1
    kill -9 "$first" 2>/dev/null || true
    wait "$first" 2>/dev/null || true
    wait "$second" 2>/dev/null || true
    for file in "$work/old"/*.dat; do
        name=$(basename "$file")
        [[ "$name" == date.dat ]] && continue
        if ! cmp -s "$app/$name" "$file" && ! cmp -s "$app/$name" "$work/updated/$name"; then
            echo "second process after ${delay}s: $name is neither the old nor the new file"; exit 1
        fi
    done
    update '0|1'
    for file in "$work/updated"/*.dat; do
        cmp -s "$app/$(basename "$file")" "$file" || { echo "second process after ${delay}s, then a rerun: $(basename "$file") differs"; exit 1; }
    done
done
stop_server

# 8. Signed answers. The update and its statement as a signing server sends them, kept for replays.
start_server real
since="prog=Sorvane&comp=Talvenor&date=3/16/2006&iso=2006-03-16T00:00:00"
python3 - "http://127.0.0.1:$port" "$since" "$work/captured.txt" "$work/captured.sig" <<'PY'
import sys, urllib.request
base, query, text, sig = sys.argv[1:5]
open(text, "wb").write(urllib.request.urlopen(f"{base}/asp/getDefsNEW.asp?{query}").read())
open(sig, "wb").write(urllib.request.urlopen(f"{base}/asp/getDefsNEW.sig?{query}").read())
PY
same_as() {  # DIR: every definition file and date.dat byte for byte as in DIR
    for file in "$1"/*.dat; do
        cmp -s "$app/$(basename "$file")" "$file" || { echo "$(basename "$file") differs from $1"; return 1; }
    done
}
rm -rf "$app" && cp -r "$work/old" "$app"
update 0
same_as "$work/updated"
# Rolled back in one step to the very bytes before the update, once; then forward again.
update 0 --rollback
grep -q 'rolled back' "$work/out"
same_as "$work/old"
update 1 --rollback
grep -q 'no earlier' "$work/out"
update 0
same_as "$work/updated"
stop_server
refused() {  # MODE WORDS: the update is refused with its message and changes nothing
    local mode=$1 words=$2 before
    before=$(snapshot)
    rm -f "$work/port"
    if [[ $mode == unsigned ]]; then
        start_server unsigned
    else
        python3 "$fault" "$mode" "$work/port" "$work/captured.txt" "$work/requests" "$work/captured.sig" "$work/whole" &
        server_pid=$!
        pids+=("$server_pid")
        for _ in $(seq 100); do [[ -s "$work/port" ]] && break; sleep 0.05; done
        port=$(cat "$work/port")
    fi
    update 2
    stop_server
    grep -q "$words" "$work/err" || { echo "$mode: not refused with its message"; cat "$work/err"; exit 1; }
    [[ "$(snapshot)" == "$before" ]] || { echo "$mode: the refused update changed the files"; exit 1; }
}
# The update that brought these definitions, sent again: nothing newer.
refused replay 'would not bring definitions newer'
rm -rf "$app" && cp -r "$work/old" "$app"
refused replay-changed 'it is not what'
refused replay-expired 'cannot confirm that your definitions are current'
refused unsigned 'sent no signed statement'
# The same genuine statement, for definitions of another date.
printf '1/1/2010\r\n' >"$app/date.dat"
refused replay 'another date than yours'
# A missing definition file comes back whole only under its own statement.
rm -rf "$app" && cp -r "$work/updated" "$app" && rm "$app/Safety.dat"
start_server real
mkdir -p "$work/whole"
for file in Safety.dat Safety.sig; do
    python3 -c 'import sys, urllib.request; sys.stdout.buffer.write(urllib.request.urlopen(sys.argv[1]).read())' \
        "http://127.0.0.1:$port/definitions/data/$file" >"$work/whole/$file"
done
update 0
stop_server
cmp "$app/Safety.dat" "$work/whole/Safety.dat"
# The same file with one byte changed, its genuine statement beside it: refused, nothing written.
python3 -c 'import sys; p = sys.argv[1]; b = bytearray(open(p, "rb").read()); b[0] ^= 1; open(p, "wb").write(b)' \
    "$work/whole/Safety.dat"
rm "$app/Safety.dat"
refused replay 'it is not what'

# 9. The system's proxy, as Internet Settings name it; a cookie on every answer is never sent back.
settings='HKCU\Software\Microsoft\Windows\CurrentVersion\Internet Settings'
start_server real
rm -f "$work/proxy-port"
python3 "$(dirname "${BASH_SOURCE[0]}")/forward_proxy.py" "$work/proxy-port" "$work/proxy.log" &
proxy_pid=$!
pids+=("$proxy_pid")
for _ in $(seq 100); do [[ -s "$work/proxy-port" ]] && break; sleep 0.05; done
wine reg add "$settings" /v ProxyServer /t REG_SZ /d "127.0.0.1:$(cat "$work/proxy-port")" /f >/dev/null 2>&1
wine reg add "$settings" /v ProxyEnable /t REG_DWORD /d 1 /f >/dev/null 2>&1
rm -rf "$app" && cp -r "$work/old" "$app"
update 0
update 1
same_as "$work/updated"
grep -q 'getDefsNEW.sig' "$work/proxy.log" || { echo "the update did not go through the proxy"; cat "$work/proxy.log"; exit 1; }
if grep -q 'cookie:' "$work/proxy.log"; then echo "a cookie was sent back"; cat "$work/proxy.log"; exit 1; fi
kill "$proxy_pid" 2>/dev/null || true
wait "$proxy_pid" 2>/dev/null || true
update 0 --rollback
update 2
grep -q 'could not be fetched' "$work/err" || { echo "no network message without the proxy"; cat "$work/err"; exit 1; }
wine reg add "$settings" /v ProxyEnable /t REG_DWORD /d 0 /f >/dev/null 2>&1
stop_server

# 10. Any web server: nginx (Debian's) serving what "publish" wrote, with the README's configuration.
nginx_program=$(command -v nginx || ls /usr/sbin/nginx 2>/dev/null || true)
if [[ -n "$nginx_program" ]]; then
    "$server" publish --signing-key "$signing_key" "$work/releases" "$work/published" >/dev/null
    conf_dir=$(realpath "$(dirname "${BASH_SOURCE[0]}")/../../server/nginx")
    mkdir -p "$work/nginx"
    port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
    cat >"$work/nginx/nginx.conf" <<CONF
daemon off;
master_process off;
pid $work/nginx/nginx.pid;
error_log $work/nginx/error.log;
events {}
http {
    access_log $work/nginx/access.log;
    client_body_temp_path $work/nginx/body;
    proxy_temp_path $work/nginx/proxy;
    fastcgi_temp_path $work/nginx/fastcgi;
    uwsgi_temp_path $work/nginx/uwsgi;
    scgi_temp_path $work/nginx/scgi;
    include $conf_dir/sorvane-maps.conf;
    server {
        listen 127.0.0.1:$port;
        root $work/published;
        include $conf_dir/sorvane-locations.conf;
    }
}
CONF
    "$nginx_program" -p "$work/nginx" -c "$work/nginx/nginx.conf" -e "$work/nginx/error.log" &
    server_pid=$!
    pids+=("$server_pid")
    for _ in $(seq 100); do python3 -c "import socket; socket.create_connection(('127.0.0.1', $port), 1)" 2>/dev/null && break; sleep 0.05; done
    rm -rf "$app" && cp -r "$work/old" "$app"
    update 0
    same_as "$work/updated"
    update 1
    stop_server
else
    echo "nginx is not installed (Debian package nginx): the published tree is not tried"
fi

# 11. HTTPS with certificate checks on: a self-signed certificate is not trusted, as on Windows.
openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -days 2 -subj /CN=127.0.0.1 \
    -addext subjectAltName=IP:127.0.0.1 -keyout "$work/tls-key.pem" -out "$work/tls-cert.pem" >/dev/null 2>&1
rm -f "$work/port"
"$server" serve --releases "$work/releases" --port-file "$work/port" --signing-key "$signing_key" \
    --tls-cert "$work/tls-cert.pem" --tls-key "$work/tls-key.pem" >/dev/null 2>&1 &
server_pid=$!
pids+=("$server_pid")
for _ in $(seq 100); do [[ -s "$work/port" ]] && break; sleep 0.05; done
rm -rf "$app" && cp -r "$work/old" "$app"
before=$(snapshot)
status=0
SORVANE_SERVER_URL="https://127.0.0.1:$(cat "$work/port")" wine "$app/SorvaneCmd.exe" update >"$work/out" 2>"$work/err" || status=$?
stop_server
[[ $status == 2 ]] || { echo "https with an untrusted certificate: exit $status"; cat "$work/out" "$work/err"; exit 1; }
grep -q 'certificate' "$work/err" || { echo "the refusal does not name the certificate"; cat "$work/err"; exit 1; }
[[ "$(snapshot)" == "$before" ]]
echo "update end to end: passed"
