// A process that only waits: a stand-in for the programs a machine runs, for the shield
// benchmarks to enumerate. It ends by itself after ten minutes if nobody ends it first.
#include <windows.h>

// A window-less program of the GUI subsystem, so that Wine gives it no console of its own.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    Sleep(600000);
    return 0;
}
