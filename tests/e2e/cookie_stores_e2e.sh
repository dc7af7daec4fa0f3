#!/usr/bin/env bash
# The browsers' cookie stores, end to end, in a throwaway Wine prefix: Chromium-layout and
# Firefox-layout profiles holding real SQLite databases with the browsers' cookie tables.
# Exactly the tracking cookies are found, removed (kept in quarantine) and restored; a store
# another process holds is named and left as it is; Internet Explorer's random-named files
# and its "Low" folder are read. The shipped registry definitions list browser policies
# that hijackers set, in both hives.
# Arguments: SorvaneCmd.exe, the shipped RegistryDefinition.dat.
set -euo pipefail
cmd=$1 shipped_registry=$2
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-dll-overrides.sh"
export WINEDEBUG=-all WINEDLLOVERRIDES="$SORVANE_WINE_DLL_OVERRIDES" LC_ALL=C.UTF-8
WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/sorvane-e2e-cookies.XXXXXX")
export WINEPREFIX
work=$(mktemp -d "${TMPDIR:-/tmp}/sorvane-e2e-cookies-work.XXXXXX")
locker=
trap '[[ -n $locker ]] && kill "$locker" 2>/dev/null; wineserver -k >/dev/null 2>&1 || true; rm -rf "$WINEPREFIX" "$work"' EXIT
wineboot >/dev/null 2>&1
# The profile's links to the home folder become real folders before anything scans or removes.
bash "$(dirname "${BASH_SOURCE[0]}")/../../scripts/real-profile-folders.sh"
wineserver -p >/dev/null 2>&1 || true

fail() { echo "FAIL: $*" >&2; exit 1; }
c="$WINEPREFIX/drive_c"
app="$c/SorvaneE2E"
mkdir -p "$app"
cp "$cmd" "$app/SorvaneCmd.exe"
printf '%s\r\n' "doubleclick.net" "e2etracker.com" > "$app/cookie.txt"
(cd "$app" && wine SorvaneCmd.exe defs encode cookie.txt BlockedCookies.dat >/dev/null) || fail "encode"
rm "$app/cookie.txt"
for f in ExeDefinition FileDefinition DirectoryDefinition Safety; do : > "$app/$f.dat"; done
cp "$shipped_registry" "$app/RegistryDefinition.dat"
wine reg add 'HKCU\Software\Policies\Google\Chrome' /v HomepageLocation /d 'http://hijack.example/' /f >/dev/null
wine reg add 'HKLM\Software\Policies\Microsoft\Edge\ExtensionInstallForcelist' /v 1 /d 'abcdefgh;http://hijack.example/x' /f >/dev/null

user="$c/users/$(id -un)"
local="$user/AppData/Local" roaming="$user/AppData/Roaming"
# Chromium's cookie table as Chrome 120 and later create it, and Firefox's.
chromium_table="CREATE TABLE meta(key LONGVARCHAR NOT NULL UNIQUE PRIMARY KEY, value LONGVARCHAR);
INSERT INTO meta VALUES('version','23');
CREATE TABLE cookies(creation_utc INTEGER NOT NULL, host_key TEXT NOT NULL, top_frame_site_key TEXT NOT NULL,
 name TEXT NOT NULL, value TEXT NOT NULL, encrypted_value BLOB NOT NULL, path TEXT NOT NULL, expires_utc INTEGER NOT NULL,
 is_secure INTEGER NOT NULL, is_httponly INTEGER NOT NULL, last_access_utc INTEGER NOT NULL, has_expires INTEGER NOT NULL,
 is_persistent INTEGER NOT NULL, priority INTEGER NOT NULL, samesite INTEGER NOT NULL, source_scheme INTEGER NOT NULL,
 source_port INTEGER NOT NULL, last_update_utc INTEGER NOT NULL, source_type INTEGER NOT NULL,
 has_cross_site_ancestor INTEGER NOT NULL);
CREATE UNIQUE INDEX cookies_unique_index ON cookies(host_key, top_frame_site_key, has_cross_site_ancestor, name, path,
 source_scheme, source_port);"
chromium_row() { # host name
    echo "INSERT INTO cookies VALUES(13350000000000000,'$1','','$2','',x'763130a1b2c3d4e5f6','/',13390000000000000,1,0,13350000000000001,1,1,1,-1,2,443,13350000000000002,0,0);"
}
firefox_table="PRAGMA journal_mode=WAL;
CREATE TABLE moz_cookies(id INTEGER PRIMARY KEY, originAttributes TEXT NOT NULL DEFAULT '', name TEXT, value TEXT,
 host TEXT, path TEXT, expiry INTEGER, lastAccessed INTEGER, creationTime INTEGER, isSecure INTEGER, isHttpOnly INTEGER,
 inBrowserElement INTEGER DEFAULT 0, sameSite INTEGER DEFAULT 0, rawSameSite INTEGER DEFAULT 0, schemeMap INTEGER DEFAULT 0,
 isPartitionedAttributeSet INTEGER DEFAULT 0, CONSTRAINT moz_uniqueid UNIQUE (name, host, path, originAttributes));"
firefox_row() { # host name
    echo "INSERT INTO moz_cookies(name,value,host,path,expiry,lastAccessed,creationTime,isSecure,isHttpOnly)
          VALUES('$2','v-$2','$1','/',1790000000,1760000000000000,1760000000000000,1,0);"
}

chrome="$local/Google/Chrome/User Data"
mkdir -p "$chrome/Default/Network"
# A second person named in scripts no Western code page holds: the name is shown as the browser
# shows it, and the store behind it is read and changed like any other.
mkdir -p "$chrome/Profile 3/Network"
printf '{"profile":{"info_cache":{"Default":{"name":"Person 1"},"Profile 3":{"name":"Личный 個人"}}}}' > "$chrome/Local State"
sqlite3 "$chrome/Profile 3/Network/Cookies" "$chromium_table $(chromium_row .e2etracker.com p3) $(chromium_row .example.net keep)"
sqlite3 "$chrome/Default/Network/Cookies" "$chromium_table $(chromium_row .doubleclick.net IDE) $(chromium_row doubleclick.net id)
  $(chromium_row stats.doubleclick.net s) $(chromium_row .example.org keep) $(chromium_row www.e2etracker.com t)"
# Edge before 2021 kept the store in the profile folder itself.
edge="$local/Microsoft/Edge/User Data/Profile 2"
mkdir -p "$edge"
sqlite3 "$edge/Cookies" "$chromium_table $(chromium_row .e2etracker.com a) $(chromium_row .bing.com keep)"
ff="$roaming/Mozilla/Firefox"
mkdir -p "$ff/Profiles/e2e.default-release"
# Firefox names a profile's folder after the name the user typed: here Korean, with a space, "#" and
# "%", which a database address would otherwise read as its own syntax.
ffk="$ff/Profiles/k9m2.프로필 #2%"
mkdir -p "$ffk"
printf '[Profile0]\r\nName=default-release\r\nIsRelative=1\r\nPath=Profiles/e2e.default-release\r\nDefault=1\r\n[Profile1]\r\nName=프로필 #2%%\r\nIsRelative=1\r\nPath=Profiles/k9m2.프로필 #2%%\r\n' > "$ff/profiles.ini"
sqlite3 "$ffk/cookies.sqlite" "$firefox_table $(firefox_row .doubleclick.net k) $(firefox_row .mozilla.org keep)" >/dev/null
sqlite3 "$ff/Profiles/e2e.default-release/cookies.sqlite" "$firefox_table $(firefox_row .doubleclick.net IDE)
  $(firefox_row .mozilla.org keep) $(firefox_row e2etracker.com t)" >/dev/null
# A store its browser holds: a write under way, as a running Brave keeps it.
brave="$local/BraveSoftware/Brave-Browser/User Data/Default/Network"
mkdir -p "$brave"
sqlite3 "$brave/Cookies" "$chromium_table $(chromium_row .doubleclick.net held)"
python3 - "$brave/Cookies" "$work/locked" <<'PY' &
import sqlite3, sys, time, pathlib
db = sqlite3.connect(sys.argv[1], isolation_level=None)
db.execute("PRAGMA locking_mode=EXCLUSIVE")
db.execute("BEGIN EXCLUSIVE")
db.execute("INSERT INTO cookies SELECT * FROM cookies WHERE 0")
db.execute("UPDATE cookies SET value='x'")
pathlib.Path(sys.argv[2]).touch()
time.sleep(600)
PY
locker=$!
for _ in $(seq 50); do [[ -e "$work/locked" ]] && break; sleep 0.1; done
[[ -e "$work/locked" ]] || fail "the store could not be held"
sha256sum "$brave/Cookies" > "$work/brave.sha"
# Internet Explorer since 2011: random names, the host inside; Protected Mode's "Low" folder.
ie="$local/Microsoft/Windows/INetCookies"
mkdir -p "$ie/Low"
printf 'id\n42\nwww.e2etracker.com/\n1536\n1\n2\n3\n4\n*\n' > "$ie/0A1B2C3D.txt"
printf 'id\n42\nads.doubleclick.net/\n1536\n1\n2\n3\n4\n*\n' > "$ie/EF56GH78.txt"
printf 'id\n42\ndoubleclick.net/\n1536\n1\n2\n3\n4\n*\n' > "$ie/Low/Z9Y8X7W6.txt"

dump() { sqlite3 "$1" "SELECT * FROM $2 ORDER BY 2,3,4,5"; }
dump "$chrome/Default/Network/Cookies" cookies > "$work/chrome.before"
dump "$edge/Cookies" cookies > "$work/edge.before"
dump "$ff/Profiles/e2e.default-release/cookies.sqlite" moz_cookies > "$work/ff.before"
dump "$chrome/Profile 3/Network/Cookies" cookies > "$work/chrome3.before"
dump "$ffk/cookies.sqlite" moz_cookies > "$work/ffk.before"

status=0
(cd "$app" && wine SorvaneCmd.exe scan) > "$work/scan.txt" 2>&1 || status=$?
tr -d '\r' < "$work/scan.txt" > "$work/scan.clean"
[[ $status -eq 1 ]] || { cat "$work/scan.txt"; fail "scan exited $status"; }
grep '^  Cookie: ' "$work/scan.clean" | cut -f1 | sort > "$work/found.txt"
cat > "$work/expected.txt" <<'TXT'
  Cookie: 0A1B2C3D.txt
  Cookie: Z9Y8X7W6.txt
  Cookie: doubleclick.net (Chrome, Person 1)
  Cookie: doubleclick.net (Firefox, default-release)
  Cookie: doubleclick.net (Firefox, 프로필 #2%)
  Cookie: e2etracker.com (Chrome, Личный 個人)
  Cookie: e2etracker.com (Edge, Profile 2)
  Cookie: e2etracker.com (Firefox, default-release)
  Cookie: www.e2etracker.com (Chrome, Person 1)
TXT
diff "$work/expected.txt" "$work/found.txt" || { cat "$work/scan.txt"; fail "not exactly the tracking cookies"; }
grep -q '^Close Brave to check its cookies (Default)$' "$work/scan.clean" || { cat "$work/scan.txt"; fail "held store not named"; }
grep -q 'HKEY_CURRENT_USER\\Software\\Policies\\Google\\Chrome\\HomepageLocation' "$work/scan.clean" &&
    grep -q 'HKEY_LOCAL_MACHINE\\Software\\Policies\\Microsoft\\Edge\\ExtensionInstallForcelist' "$work/scan.clean" ||
    { cat "$work/scan.txt"; fail "policy values not listed"; }

status=0
(cd "$app" && wine SorvaneCmd.exe remove --yes) > "$work/remove.txt" 2>&1 || status=$?
[[ $status -eq 0 ]] || { cat "$work/remove.txt"; fail "remove exited $status"; }
sqlite3 "$chrome/Default/Network/Cookies" "SELECT host_key FROM cookies ORDER BY 1" | tr '\n' ' ' > "$work/chrome.left"
[[ "$(cat "$work/chrome.left")" == ".example.org stats.doubleclick.net " ]] || fail "Chrome kept: $(cat "$work/chrome.left")"
[[ "$(sqlite3 "$edge/Cookies" "SELECT host_key FROM cookies")" == ".bing.com" ]] || fail "Edge rows"
[[ "$(sqlite3 "$ff/Profiles/e2e.default-release/cookies.sqlite" "SELECT host FROM moz_cookies")" == ".mozilla.org" ]] ||
    fail "Firefox rows"
[[ "$(sqlite3 "$chrome/Profile 3/Network/Cookies" "SELECT host_key FROM cookies")" == ".example.net" ]] ||
    fail "Chrome's second person's rows"
[[ "$(sqlite3 "$ffk/cookies.sqlite" "SELECT host FROM moz_cookies")" == ".mozilla.org" ]] || fail "Korean-named Firefox rows"
sha256sum -c --quiet "$work/brave.sha" || fail "the held store was changed"
wine reg query 'HKCU\Software\Policies\Google\Chrome' /v HomepageLocation >/dev/null 2>&1 && fail "policy value left"
[[ ! -e "$ie/0A1B2C3D.txt" && ! -e "$ie/Low/Z9Y8X7W6.txt" && -e "$ie/EF56GH78.txt" ]] || fail "IE cookie files"
q="$app/quarantine"
[[ -f "$q/doubleclick.net cookies.json" ]] || { ls "$q"; fail "rows not kept in quarantine"; }

(cd "$app" && wine SorvaneCmd.exe quarantine list) > "$work/list.txt" || fail "quarantine list"
ids=$(awk '$4 == "removed" { print $1 }' "$work/list.txt" | tr -d '\r' | tr '\n' ' ')
[[ $(wc -w <<<"$ids") -eq 11 ]] || { cat "$work/list.txt"; fail "expected 11 removed entries: $ids"; }
# shellcheck disable=SC2086
(cd "$app" && wine SorvaneCmd.exe quarantine restore $ids) > "$work/restore.txt" 2>&1 || { cat "$work/restore.txt"; fail "restore"; }
dump "$chrome/Default/Network/Cookies" cookies | diff "$work/chrome.before" - || fail "Chrome rows not restored as they were"
dump "$edge/Cookies" cookies | diff "$work/edge.before" - || fail "Edge rows not restored as they were"
dump "$ff/Profiles/e2e.default-release/cookies.sqlite" moz_cookies | diff "$work/ff.before" - || fail "Firefox rows"
dump "$chrome/Profile 3/Network/Cookies" cookies | diff "$work/chrome3.before" - || fail "second person's rows"
dump "$ffk/cookies.sqlite" moz_cookies | diff "$work/ffk.before" - || fail "Korean-named Firefox rows"
wine reg query 'HKCU\Software\Policies\Google\Chrome' /v HomepageLocation | grep -q 'hijack.example' || fail "policy value"
# A second restore finds the rows back in place: a clash, nothing doubled.
status=0
# shellcheck disable=SC2086
(cd "$app" && wine SorvaneCmd.exe quarantine restore $ids) > "$work/restore2.txt" 2>&1 || status=$?
[[ $status -eq 1 ]] || { cat "$work/restore2.txt"; fail "a second restore should clash"; }
dump "$chrome/Default/Network/Cookies" cookies | diff "$work/chrome.before" - || fail "Chrome rows doubled"
echo "PASS"
