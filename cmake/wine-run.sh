#!/usr/bin/env bash
# Runs a Windows program under Wine in a throwaway prefix. The test scripts export a
# prefix shared by one test run; without one, a private prefix is made and removed.
set -euo pipefail
export WINEDEBUG=${WINEDEBUG:--all}
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/wine-dll-overrides.sh"
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-$SORVANE_WINE_DLL_OVERRIDES}

# Wine hands the caller's output descriptors on to the processes it starts for the test,
# conhost and services among them, and some outlive the test. Were they the caller's
# pipes, the test runner would wait on them until its time-out; through files the run
# ends when the test does.
output=$(mktemp -d "${TMPDIR:-/tmp}/sorvane-wine-run.XXXXXX")

# One known locale: Wine then passes arguments and file names as UTF-8 and the
# prefix speaks US English whatever the caller's settings. A test may ask for another
# (SORVANE_TEST_LOCALE=ja_JP.UTF-8): Wine takes the program's code page from its name and
# the encoding of Unix file names from the C library, so the locale is made here from
# the system's sources (a fresh machine has only C.UTF-8 compiled).
test_locale=${SORVANE_TEST_LOCALE:-C.UTF-8}
if [[ "$test_locale" != C.UTF-8 ]]; then
    mkdir -p "$output/locales"
    localedef -i "${test_locale%%.*}" -f UTF-8 "$output/locales/$test_locale" >/dev/null 2>&1 || {
        echo "wine-run: the locale $test_locale could not be made (is the locales package installed?)" >&2
        rm -rf "$output"
        exit 1
    }
    export LOCPATH=$output/locales
fi
export LC_ALL=$test_locale
private_prefix=""
cleanup() {
    if [[ -n "$private_prefix" ]]; then
        wineserver -k >/dev/null 2>&1 || true
        rm -rf "$private_prefix"
    fi
    rm -rf "$output"
}
trap cleanup EXIT

if [[ -z "${WINEPREFIX:-}" || "${WINEPREFIX}" == "${HOME}/.wine" ]]; then
    private_prefix=$(mktemp -d "${TMPDIR:-/tmp}/sorvane-wine.XXXXXX")
    export WINEPREFIX=$private_prefix
    # Without a window manager Wine waits about two seconds on every window it hides
    # unless it leaves the windows unmanaged. This first command also makes the prefix.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
    # The profile's links to the home folder become real folders before anything scans or removes.
    bash "$(dirname "${BASH_SOURCE[0]}")/../scripts/real-profile-folders.sh"
fi

status=0
wine "$@" >"$output/stdout" 2>"$output/stderr" || status=$?
cat "$output/stdout"
cat "$output/stderr" >&2
exit "$status"
