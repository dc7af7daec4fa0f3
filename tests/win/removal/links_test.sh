#!/usr/bin/env bash
# The removal tests that need what only the Linux side of Wine can make: a folder link (a
# symbolic link Wine reports as a junction) and a drive letter of its own for the
# quarantine (as subst makes). Plants them in the test prefix, runs those tests, removes them.
# Arguments: the win_removal test program, scripts/real-profile-folders.sh.
set -euo pipefail
program=$1 unlink_profile=$2
export WINEDEBUG=${WINEDEBUG:--all} LC_ALL=C.UTF-8
source "$(dirname "${BASH_SOURCE[0]}")/../../../scripts/wine-dll-overrides.sh"
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-$SORVANE_WINE_DLL_OVERRIDES}
own_prefix=""
if [[ -z "${WINEPREFIX:-}" || "${WINEPREFIX}" == "${HOME}/.wine" ]]; then
    WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/sorvane-wine.XXXXXX")
    export WINEPREFIX
    own_prefix=$WINEPREFIX
    wineboot >/dev/null 2>&1
    bash "$unlink_profile"
fi
name="sorvane-links-$$"
planted="$WINEPREFIX/drive_c/$name"
letter=""
cleanup() {
    [[ -n "$letter" ]] && rm -f "$WINEPREFIX/dosdevices/$letter:"
    rm -rf "$planted"
    if [[ -n "$own_prefix" ]]; then
        wineserver -k >/dev/null 2>&1 || true
        rm -rf "$own_prefix"
    fi
}
trap cleanup EXIT

mkdir -p "$planted/mine" "$planted/bad" "$planted/app/quarantine"
printf 'the user'"'"'s own letter' > "$planted/mine/letter.txt"
ln -s "$planted/mine" "$planted/bad/Toolbar"
for candidate in s t u v w x y; do
    if [[ ! -e "$WINEPREFIX/dosdevices/$candidate:" && ! -L "$WINEPREFIX/dosdevices/$candidate:" ]]; then
        letter=$candidate
        ln -s "$planted/app/quarantine" "$WINEPREFIX/dosdevices/$letter:"
        break
    fi
done

export SORVANE_TEST_LINK="C:\\$name\\bad\\Toolbar"
export SORVANE_TEST_LINK_TARGET="C:\\$name\\mine"
export SORVANE_TEST_SUBST_APP="C:\\$name\\app"
[[ -n "$letter" ]] && export SORVANE_TEST_SUBST_DRIVE="${letter^^}:"
wine "$program" --gtest_brief=1 \
    --gtest_filter='RemovalRunWinTest.AJunction*:RemovalRunWinTest.TheKeptCopy*'
