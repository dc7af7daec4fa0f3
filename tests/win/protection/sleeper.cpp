// Waits, doing nothing, for at most two minutes: a program for a test to find and stop.
#include <windows.h>

int wmain() {
    Sleep(120000);
    return 0;
}
