#!/usr/bin/env bash
# Starts the GUI program under Wine on the X display at 100% (96 DPI) and at 150% (144 DPI),
# waits each time for its main window and navigation buttons, checks the layout of what it
# shows (every control inside the window, none over another, no caption cut off), takes a
# screenshot, closes the window and waits for the exit.
#   gui_main_window.sh PROGRAM PROBE SCREENSHOT PRODUCT COMPANY
# The screenshot at 144 DPI goes beside SCREENSHOT, named with "-144dpi". The program runs
# from a scratch copy in its own throwaway prefix, set up as after a first start, so that no
# first-start dialog stands in front of the main window.
set -uo pipefail
program=$1 probe=$2 screenshot=$3 product=$4 company=$5
caption="$product by $company"
here=$(dirname "${BASH_SOURCE[0]}")

if [[ -z "${DISPLAY:-}" ]]; then
    echo "SKIPPED: DISPLAY is not set; run the tests through scripts/test.sh, which provides a virtual display"
    exit 77
fi

# shellcheck source=tests/e2e/gui_prefix.sh
source "$here/gui_prefix.sh"
start_gui_prefix gui
seed_settings "$product" "$company" || { echo "FAIL: could not set up the settings"; exit 1; }

mkdir "$scratch/app"
cp "$program" "$scratch/app/"
failures=0

# One start of the program at the DPI the prefix has now; the screenshot goes to $1.
run_once() {
    local shot=$1
    (cd "$scratch/app" && exec wine "./$(basename "$program")") >>"$scratch/app.log" 2>&1 &
    app_pid=$!

    buttons=("Status" "Scan Now" "Results/Removal" "Settings" "Live Update")
    if ! wine "$probe" wait "$caption" 60000 "${buttons[@]}" | tee "$scratch/probe.log"; then
        failures=$((failures + 1))
    fi

    # The buttons' places on the screen, as the probe reported them.
    declare -A places
    for button in "${buttons[@]}"; do
        place=$(sed -n "s|^  found   \"$button\" at ||p" "$scratch/probe.log" | tr -d '\r')
        [[ -n "$place" ]] && places[$button]=$place
    done

    # A painted button shows its caption on its face: more than one colour inside it.
    unpainted() {
        local button left top width height shades missing=()
        for button in "${!places[@]}"; do
            read -r left top width height <<<"${places[$button]}"
            shades=$(convert "$shot" -crop "${width}x${height}+${left}+${top}" +repage -format '%k' info: 2>/dev/null)
            [[ "${shades:-0}" -ge 2 ]] || missing+=("$button")
        done
        printf '%s\n' "${missing[@]}"
    }

    # The window paints after it appears; screenshots are taken until every button is
    # drawn or the deadline passes.
    mkdir -p "$(dirname "$shot")"
    deadline=$((SECONDS + 30))
    while :; do
        if ! import -window root "$shot"; then
            echo "FAIL: no screenshot"
            failures=$((failures + 1))
            break
        fi
        left_over=$(unpainted)
        if [[ -z "$left_over" ]]; then
            echo "screenshot $shot: $(identify -format '%wx%h, %k colours' "$shot"); every button painted"
            break
        fi
        if [[ $SECONDS -ge $deadline ]]; then
            while read -r button; do
                echo "FAIL: the button \"$button\" is not painted in the screenshot"
                failures=$((failures + 1))
            done <<<"$left_over"
            break
        fi
    done

    # The layout of every page, each once the navigation button has brought it up.
    if ! wine "$probe" layout "$caption" 10000 "Scan Now=Overall Progress:" "Results/Removal=Select All" \
        "Settings=Scan Type" "Status=Last Scan:"; then
        failures=$((failures + 1))
    fi

    if ! wine "$probe" close "$caption" 30000; then
        failures=$((failures + 1))
    fi
    if timeout 30 tail --pid="$app_pid" -f /dev/null; then
        wait "$app_pid"
        status=$?
        app_pid=""
        echo "program exited with code $status"
        [[ $status -eq 0 ]] || failures=$((failures + 1))
    else
        echo "FAIL: the program did not exit within 30 s of its window closing"
        failures=$((failures + 1))
    fi
}

# Wine takes its DPI from the user's "LogPixels" when a process starts.
set_dpi() {
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
}

set_dpi 96
run_once "$screenshot"
set_dpi 144
run_once "${screenshot%.png}-144dpi.png"

if [[ $failures -ne 0 ]]; then
    echo "program output:"
    cat "$scratch/app.log"
fi
[[ $failures -eq 0 ]]
