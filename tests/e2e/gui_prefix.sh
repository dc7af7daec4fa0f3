# Sourced by the GUI end-to-end tests: a throwaway Wine prefix in a scratch folder,
# removed with everything in it when the test ends, and the settings of a program that
# has started before, so that no first-start question stands in front of the main window.
#   start_gui_prefix NAME      sets scratch and WINEPREFIX, starts the server, makes the prefix
#   seed_settings PRODUCT COMPANY [EXTRA_REG_LINES]
# The test sets app_pid when it starts the program; cleanup ends it.

start_gui_prefix() {
    scratch=$(mktemp -d "/tmp/sorvane-$1.XXXXXX")
    app_pid=""
    export WINEPREFIX="$scratch/prefix" WINEDEBUG=-all LC_ALL=C.UTF-8
    export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
    mkdir "$WINEPREFIX"
    trap gui_prefix_cleanup EXIT
    wineserver -p
    wineboot >"$scratch/wineboot.log" 2>&1 || { cat "$scratch/wineboot.log"; exit 1; }
    # The profile's links to the home folder become real folders before anything scans or removes.
    bash "$(dirname "${BASH_SOURCE[0]}")/../../scripts/real-profile-folders.sh"
}

gui_prefix_cleanup() {
    [[ -n "$app_pid" ]] && kill "$app_pid" 2>/dev/null
    wineserver -k >/dev/null 2>&1
    wineserver -w >/dev/null 2>&1
    rm -rf "$scratch"
}

seed_settings() {
    local product=$1 company=$2 extra=${3:-}
    # Without a window manager Wine otherwise waits on every window it hides.
    cat >"$scratch/settings.reg" <<REG
REGEDIT4

[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]
"Managed"="N"

[HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\$product\\Settings]
"Language"="English"
"showHelp"="0"

[HKEY_LOCAL_MACHINE\\SOFTWARE\\$company\\$product\\Settings]
"FirstTime"="Yes"
"showHelp"="0"
$extra
REG
    wine regedit /S "$(winepath -w "$scratch/settings.reg")"
}

# Ends the test as skipped (exit code 77) when there is no X display to show windows on.
skip_without_display() {
    if [[ -z "${DISPLAY:-}" ]]; then
        echo "SKIPPED: DISPLAY is not set; run the tests through scripts/test.sh, which provides a virtual display"
        exit 77
    fi
}
