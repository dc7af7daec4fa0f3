#!/usr/bin/env bash
# Builds the console program and the floor probe for Windows and runs the Wine benchmark:
#   bash bench/wine/run.sh [--lines 1000,10000,100000] [--runs 3] [--sets files,...] [--smoke]
# Prints a table of the scan's and the floor's cost per line and their ratio.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
cd "$root"
cmake --preset win >/dev/null
cmake --build --preset win -j2 --target SorvaneCmd floor_probe scan_timer >/dev/null
exec python3 "$root/bench/wine/wine_bench.py" "$root/build/win/cli/SorvaneCmd.exe" \
    "$root/build/win/bench/floor_probe.exe" "$root/build/win/bench/scan_timer.exe" "$@"
