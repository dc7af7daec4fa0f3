#!/usr/bin/env bash
# Runs a Windows program under Wine in a throwaway prefix. The test scripts export a
# prefix shared by one test run; without one, a private prefix is made and removed.
set -euo pipefail
export WINEDEBUG=${WINEDEBUG:--all}
# One known locale: Wine then passes arguments and file names as UTF-8 and the
# prefix speaks US English whatever the caller's settings.
export LC_ALL=C.UTF-8
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=;winemenubuilder.exe=d}
if [[ -z "${WINEPREFIX:-}" || "${WINEPREFIX}" == "${HOME}/.wine" ]]; then
    WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/sorvane-wine.XXXXXX")
    export WINEPREFIX
    trap 'wineserver -k >/dev/null 2>&1 || true; rm -rf "$WINEPREFIX"' EXIT
    # Without a window manager Wine waits about two seconds on every window it hides
    # unless it leaves the windows unmanaged. This first command also makes the prefix.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
    # The profile's links to the home folder become real folders before anything scans or removes.
    bash "$(dirname "${BASH_SOURCE[0]}")/../scripts/real-profile-folders.sh"
fi
wine "$@"
