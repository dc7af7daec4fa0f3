#!/usr/bin/env bash
# Builds the console program and the floor probe for Windows and runs the Wine benchmark:
#   bash bench/wine/run.sh [--lines 1000,10000,100000] [--runs 3] [--sets files,...] [--smoke]
# Prints a table of the scan's and the floor's cost per line and their ratio, and the scan's peak memory.
#   bash bench/wine/run.sh --gui [--lines 10000] [--runs 5] [--smoke]
# builds Sorvane.exe too and prints the main window's scan next to the console's, with their
# ratio (an X display: DISPLAY, else a private Xvfb).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
cd "$root"
targets=(SorvaneCmd floor_probe scan_timer)
gui=()
args=()
for arg in "$@"; do
    if [[ $arg == --gui ]]; then
        targets+=(Sorvane e2e_window_probe)
        gui=(--gui "$root/build/win/app/Sorvane.exe" "$root/build/win/tests/e2e/e2e_window_probe.exe")
    else
        args+=("$arg")
    fi
done
cmake --preset win >/dev/null
cmake --build --preset win -j2 --target "${targets[@]}" >/dev/null
exec python3 "$root/bench/wine/wine_bench.py" "$root/build/win/cli/SorvaneCmd.exe" \
    "$root/build/win/bench/floor_probe.exe" "$root/build/win/bench/scan_timer.exe" "${gui[@]}" "${args[@]}"
