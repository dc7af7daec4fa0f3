#!/usr/bin/env bash
# Builds both presets and runs every test: native unit tests, then the Windows and
# end-to-end tests under Wine in one throwaway prefix with a virtual X display.
# Ends with one line "N passed, N failed"; exits non-zero when anything failed.
set -uo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

home_wine="${HOME:-/nonexistent}/.wine"
home_wine_existed=0
[[ -e "$home_wine" ]] && home_wine_existed=1

work=$(mktemp -d "${TMPDIR:-/tmp}/sorvane-test.XXXXXX")
prefix=$(mktemp -d /tmp/sorvane-wine.XXXXXX)
xvfb_pid=""

cleanup() {
    if [[ -n "${WINEPREFIX:-}" && "$WINEPREFIX" == "$prefix" ]]; then
        wineserver -k >/dev/null 2>&1 || true
        wineserver -w >/dev/null 2>&1 || true
    fi
    if [[ -n "$xvfb_pid" ]]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
    rm -rf "$prefix" "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

step() { printf '\n=== %s\n' "$*"; }

export WINEPREFIX="$prefix"
if [[ "$WINEPREFIX" == "$home_wine" || "$WINEPREFIX" != /tmp/* ]]; then
    echo "test: refusing to use the Wine prefix '$WINEPREFIX'" >&2
    exit 2
fi
export WINEDEBUG=-all
# One known locale for every run: Wine passes arguments and file names as UTF-8 and
# the prefix is made in US English whatever this machine's settings are.
export LC_ALL=C.UTF-8
source "$root/scripts/wine-dll-overrides.sh"
export WINEDLLOVERRIDES="$SORVANE_WINE_DLL_OVERRIDES"

for preset in native win; do
    step "build $preset"
    if ! cmake --preset "$preset" >"$work/configure-$preset.log" 2>&1; then
        cat "$work/configure-$preset.log" >&2
        echo "0 passed, 1 failed"
        exit 1
    fi
    if ! cmake --build --preset "$preset" -j2; then
        echo "0 passed, 1 failed"
        exit 1
    fi
done

step "virtual display"
# Xvfb picks a free display number itself and writes it to the pipe once it accepts clients.
mkfifo "$work/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
if ! read -r -t 30 display_number <"$work/display" || [[ -z "$display_number" ]]; then
    echo "test: Xvfb did not start" >&2
    cat "$work/xvfb.log" >&2
    echo "0 passed, 1 failed"
    exit 1
fi
export DISPLAY=":$display_number"
echo "DISPLAY=$DISPLAY"

step "wine prefix $WINEPREFIX"
wineserver -p
if ! wineboot >"$work/wineboot.log" 2>&1; then
    cat "$work/wineboot.log" >&2
    echo "0 passed, 1 failed"
    exit 1
fi
# The profile's links to the home folder become real folders before anything scans or removes.
bash scripts/real-profile-folders.sh
bash scripts/wine-fonts.sh
# Without a window manager Wine waits about two seconds on every window it hides unless
# it manages the windows itself.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true

passed=0
failed=0
skipped=0
# Adds one ctest run's "x% tests passed, y tests failed out of z" to the totals (ctest
# counts skipped tests among the passed ones; they are told apart here); a run that
# printed no summary counts as one failure.
count() {
    local log=$1 status=$2 line total bad skip
    line=$(grep -E '[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
    if [[ -n "$line" ]]; then
        bad=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
        total=$(sed -E 's/.* failed out of ([0-9]+).*/\1/' <<<"$line")
        skip=$(grep -cE '^[[:space:]]+[0-9]+ - .* \((Skipped|Disabled)\)$' "$log")
        passed=$((passed + total - bad - skip))
        failed=$((failed + bad))
        skipped=$((skipped + skip))
    elif grep -q 'No tests were found' "$log" && [[ $status -eq 0 ]]; then
        :
    else
        failed=$((failed + 1))
    fi
    if [[ $status -ne 0 && -n "$line" && $bad -eq 0 ]]; then
        failed=$((failed + 1))
    fi
}

step "native tests"
ctest --preset native -j2 2>&1 | tee "$work/ctest-native.log"
count "$work/ctest-native.log" "${PIPESTATUS[0]}"

step "fuzzing the parsers of outside input (bounded)"
# The fuzz preset builds a libFuzzer target per format with clang; ctest runs each for
# SORVANE_FUZZ_SECONDS (half of it for the quick formats) from a fixed seed.
if { cmake --preset fuzz -DSORVANE_FUZZ_SECONDS="${SORVANE_FUZZ_SECONDS:-6}" &&
     cmake --build --preset fuzz -j2 &&
     ctest --preset fuzz -V; } >"$work/fuzz.log" 2>&1; then
    passed=$((passed + 1))
    grep -E 'Done [0-9]+ runs|Test +#' "$work/fuzz.log" || tail -n 1 "$work/fuzz.log"
else
    failed=$((failed + 1))
    tail -n 40 "$work/fuzz.log"
fi

step "Windows and end-to-end tests"
# A test that hangs fails after 15 minutes instead of holding the whole run.
ctest --preset win --timeout 900 2>&1 | tee "$work/ctest-win.log"
count "$work/ctest-win.log" "${PIPESTATUS[0]}"

wineserver -k >/dev/null 2>&1 || true
wineserver -w >/dev/null 2>&1 || true
if [[ $home_wine_existed -eq 0 && -e "$home_wine" ]]; then
    echo "test: $home_wine was created during the run" >&2
    failed=$((failed + 1))
fi

echo
if [[ $skipped -gt 0 ]]; then
    echo "$passed passed, $failed failed, $skipped skipped"
else
    echo "$passed passed, $failed failed"
fi
[[ $failed -eq 0 ]]
