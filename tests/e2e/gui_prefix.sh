# Sourced by the GUI end-to-end tests: a throwaway Wine prefix in a scratch folder,
# removed with everything in it when the test ends, and the settings of a program that
# has started before, so that no first-start question stands in front of the main window.
#   start_gui_prefix NAME      sets scratch and WINEPREFIX, starts the server, makes the prefix
#                              and starts its Task Scheduler service
#   seed_settings PRODUCT COMPANY [EXTRA_REG_LINES]
#   probe ARGS...              runs the window probe ($probe) with ARGS
# The test sets app_pid when it starts the program; cleanup ends it.

start_gui_prefix() {
    scratch=$(mktemp -d "/tmp/sorvane-$1.XXXXXX")
    app_pid=""
    export WINEPREFIX="$scratch/prefix" WINEDEBUG=-all LC_ALL=C.UTF-8
    source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-dll-overrides.sh"
    export WINEDLLOVERRIDES="$SORVANE_WINE_DLL_OVERRIDES"
    mkdir "$WINEPREFIX"
    trap gui_prefix_cleanup EXIT
    wineserver -p
    wineboot >"$scratch/wineboot.log" 2>&1 || { cat "$scratch/wineboot.log"; exit 1; }
    # The profile's links to the home folder become real folders before anything scans or removes.
    bash "$(dirname "${BASH_SOURCE[0]}")/../../scripts/real-profile-folders.sh"
    # Wine's own fonts, so that window frames and screenshots look as they do on Windows.
    bash "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-fonts.sh"
    start_task_scheduler || exit 1
}

# Windows runs the Task Scheduler service from boot on; Wine starts it on demand, when the
# program's first start sets up its logon task, and on a busy machine that start can outlast
# the scheduler's own wait. Started here, as Windows would have it, tried until it runs.
start_task_scheduler() {
    local deadline=$((SECONDS + 60))
    until wine sc query Schedule 2>/dev/null | grep -q RUNNING; do
        if ((SECONDS >= deadline)); then
            echo "FAIL: the Task Scheduler service did not start"
            return 1
        fi
        wine net start Schedule >/dev/null 2>&1 || sleep 1
    done
}

# The window probe answers 0 (met), 1 (not met, with what it saw) or 2 (usage). Any other end
# is the probe's own run failing, not the program under test: it is told, and run once more.
probe() {
    local rc attempt
    for attempt in 1 2; do
        wine "$probe" "$@"
        rc=$?
        ((rc <= 2)) && return "$rc"
        echo "the window probe ($1) ended with exit code $rc without an answer (attempt $attempt)"
    done
    return "$rc"
}

gui_prefix_cleanup() {
    [[ -n "$app_pid" ]] && kill "$app_pid" 2>/dev/null
    wineserver -k >/dev/null 2>&1
    wineserver -w >/dev/null 2>&1
    rm -rf "$scratch"
}

seed_settings() {
    local product=$1 company=$2 extra=${3:-}
    # The stores are addressed by the application name, which stays "Sorvane" whatever
    # the product is called; only the machine-wide one carries the (branded) company.
    local application=Sorvane
    # Without a window manager Wine otherwise waits on every window it hides.
    cat >"$scratch/settings.reg" <<REG
REGEDIT4

[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]
"Managed"="N"

[HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\$application\\Settings]
"Language"="English"
"showHelp"="0"

[HKEY_LOCAL_MACHINE\\SOFTWARE\\$company\\$application\\Settings]
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

# Puts the program into C:\Sorvane of the prefix (sets app to that folder) beside its five
# definition files, encoded from clear lines: the process definitions from the file named
# (none without one), the other four empty.
#   install_program PROGRAM [EXE_DEFINITION_LINES]
install_program() {
    local program=$1 exe_lines=${2:-} root key name
    root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
    app="$WINEPREFIX/drive_c/Sorvane"
    mkdir -p "$app" "$scratch/defs"
    cp "$program" "$app/"
    for name in ExeDefinition FileDefinition RegistryDefinition BlockedCookies DirectoryDefinition; do
        : >"$scratch/defs/$name.txt"
    done
    [[ -n "$exe_lines" ]] && cp "$exe_lines" "$scratch/defs/ExeDefinition.txt"
    key=$(sed -n 's/.*DefinitionKey = \([0-9]*\).*/\1/p' "$root/definitions/encoding.h")
    python3 "$root/data/definitions/encode.py" "$key" "$app" "$scratch"/defs/*.txt
}

# Waits until the program's load has marked it running in its settings.
#   wait_until_running PRODUCT SECONDS
wait_until_running() {
    local deadline=$((SECONDS + $2))
    until wine reg query "HKCU\\Software\\VB and VBA Program Settings\\$1\\OptionAndSettings" /v STATUS 2>/dev/null |
        grep -q RUNNING; do
        [[ $SECONDS -lt $deadline ]] || return 1
    done
}
