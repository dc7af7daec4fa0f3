#!/usr/bin/env bash
# The CPU that Sorvane.exe costs when left running under Wine with the real API: first
# idle in the tray with both shields and the scheduler on, then while a memory-shield
# alert waits for its answer. Shares of one core over each window, for the program and
# for the Wine server (which does part of every Windows call's work), measured from
# /proc in a throwaway prefix on the X display (scripts/test.sh gives one; or run Xvfb).
# Before the program starts, the Wine server's share is taken over a window of the same
# length with only the idle programs running: what the program adds to the server is the
# difference, and the program's cost is its own share plus that increase.
#   bench/shield_cpu.sh SORVANE_EXE IDLE_EXE PROBE_EXE [SECONDS] [PROCESSES] [DEFINITIONS]
#   defaults: 60 s windows, 80 idle programs running, 300 listed programs
#   SHIELD_CPU_SCHEDULER=0 leaves the scheduler (and its clock check) off, for comparison;
#   SHIELD_CPU_MEMORY=False the memory shield's own timer (the home-page shield still runs a
#   pass every third check); SHIELD_CPU_ALERT=0 ends after the idle window.
# The alert is answered with STOP at the end, and the listed program must then end.
set -uo pipefail
program=$1 idle=$2 probe_exe=$3 seconds=${4:-60} count=${5:-80} listed=${6:-300}
product=${SORVANE_PRODUCT_NAME:-Sorvane} company=${SORVANE_COMPANY_NAME:-Talvenor}
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

if [[ -z "${DISPLAY:-}" ]]; then
    echo "SKIPPED: DISPLAY is not set; run it with an X display (Xvfb)"
    exit 77
fi
# shellcheck source=tests/e2e/gui_prefix.sh
source "$root/tests/e2e/gui_prefix.sh"
# shellcheck source=tests/e2e/shield_settings.sh
source "$root/tests/e2e/shield_settings.sh"
start_gui_prefix shield-cpu
fail() { echo "FAIL: $*"; exit 1; }
probe() { wine "$probe_exe" "$@"; }

# Both shields and a daily scheduled scan far from now; the program starts in the tray,
# where every background timer runs.
far=$(date -d '-6 hours' '+%-I:%M:%S %p')
seed_shield_settings "$product" "$company" "${SHIELD_CPU_MEMORY:-True}" True "${SHIELD_CPU_SCHEDULER:-1}" "$far" || fail "could not set up the settings"

{
    for ((i = 1; i < listed; i++)); do echo "listed$i.exe=Listed$i|[windir]"; done
    echo "shield_listed.exe=Shield-Test|C:\\Sorvane"
} >"$scratch/listed.txt"
install_program "$program" "$scratch/listed.txt" || fail "could not install the program"
cp "$idle" "$app/idle.exe"
cp "$idle" "$app/shield_listed.exe"

idle_pids=()
for ((i = 0; i < count; i++)); do
    (cd "$app" && exec wine "C:\\Sorvane\\idle.exe") >/dev/null 2>&1 &
    idle_pids+=($!)
done

# The Wine server of this prefix: the one started with this prefix in its environment.
server_pid=""
for pid in $(pgrep -u "$(id -u)" wineserver); do
    { tr '\0' '\n' <"/proc/$pid/environ"; } 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" && server_pid=$pid
done
[[ -n "$server_pid" ]] || fail "no Wine server for $WINEPREFIX"

ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat" 2>/dev/null || echo 0; }
hz=$(getconf CLK_TCK)
# Share of one core, in percent, that each process used over the window; with the server's
# share without the program (baseline) known, also what the program adds to it.
baseline=""
measure() {
    local label=$1 a0 s0 a1 s1 t0 t1
    a0=$(ticks "$app_pid") s0=$(ticks "$server_pid") t0=$(date +%s.%N)
    sleep "$seconds"
    a1=$(ticks "$app_pid") s1=$(ticks "$server_pid") t1=$(date +%s.%N)
    awk -v l="$label" -v a=$((a1 - a0)) -v s=$((s1 - s0)) -v hz="$hz" -v t0="$t0" -v t1="$t1" -v b="$baseline" 'BEGIN {
        w = t1 - t0
        printf "%s over %.0f s: Sorvane.exe %.3f%% of a core, wineserver %.3f%%, together %.3f%%\n",
               l, w, a / hz / w * 100, s / hz / w * 100, (a + s) / hz / w * 100
        if (b != "")
            printf "  the server without Sorvane.exe %.3f%%: Sorvane.exe adds %.3f%% to it; Sorvane.exe and that, %.3f%%\n",
                   b, s / hz / w * 100 - b, (a + s) / hz / w * 100 - b }'
}
# The same window with only the idle programs (and Wine's own services) running.
measure_baseline() {
    local s0 s1 t0 t1
    s0=$(ticks "$server_pid") t0=$(date +%s.%N)
    sleep "$seconds"
    s1=$(ticks "$server_pid") t1=$(date +%s.%N)
    baseline=$(awk -v s=$((s1 - s0)) -v hz="$hz" -v t0="$t0" -v t1="$t1" 'BEGIN { printf "%.3f", s / hz / (t1 - t0) * 100 }')
    echo "without Sorvane.exe over $seconds s: wineserver $baseline% of a core"
}
count_processes() {
    local running=0
    for pid in $(pgrep -u "$(id -u)" .); do
        { tr '\0' '\n' <"/proc/$pid/environ"; } 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" && running=$((running + 1))
    done
    echo "$running"
}
settle=$((seconds < 10 ? 2 * seconds : 20))

sleep "$settle"
echo "processes of the prefix without Sorvane.exe: $(count_processes) (idle programs started: $count)"
measure_baseline

(cd "$app" && exec wine "C:\\Sorvane\\$(basename "$program")") >"$scratch/app.log" 2>&1 &
app_pid=$!
wait_until_running "$product" 60 || fail "the program did not start"
echo "processes of the prefix: $(count_processes), listed programs: $listed"
# The first passes (and the macro folders they resolve) are not part of the idle cost.
sleep "$settle"
if [[ "${SHIELD_CPU_SCHEDULER:-1}" == 1 ]]; then measure "idle, both shields and the scheduler on"
else measure "idle, both shields on, the scheduler off"; fi
[[ "${SHIELD_CPU_ALERT:-1}" == 0 ]] && exit 0

(cd "$app" && exec wine "C:\\Sorvane\\shield_listed.exe") >/dev/null 2>&1 &
listed_pid=$!
probe wait "$product" 60000 "STOP" "ALLOW" >/dev/null || fail "no alert for the listed program"
measure "an alert waiting for its answer"
kill -0 "$listed_pid" 2>/dev/null || fail "the listed program ended before the answer"
probe click "$product" 10000 "STOP" >/dev/null || fail "could not press STOP"
timeout 20 tail --pid="$listed_pid" -f /dev/null || fail "STOP did not end the listed program"
echo "STOP ended the listed program"
