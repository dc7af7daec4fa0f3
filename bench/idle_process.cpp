// A process that only waits: a stand-in for the programs a machine runs, for the shield
// benchmarks to enumerate. It ends by itself after an hour if nobody ends it first (long
// enough for the ten-minute windows of shield_cpu.sh, one after another).
#include <windows.h>

// A window-less program of the GUI subsystem, so that Wine gives it no console of its own.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    Sleep(3600000);
    return 0;
}
