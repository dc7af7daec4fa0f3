// Holds a file open without delete sharing, as a running program does, until told to let go.
// Arguments: the file, the event it sets once the file is open, the event it waits for.
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
    if (argc != 4) return 2;
    HANDLE file = CreateFileW(argv[1], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 3;
    HANDLE ready = OpenEventW(EVENT_MODIFY_STATE, FALSE, argv[2]);
    HANDLE release = OpenEventW(SYNCHRONIZE, FALSE, argv[3]);
    if (ready == nullptr || release == nullptr) return 4;
    SetEvent(ready);
    WaitForSingleObject(release, 60000);
    CloseHandle(file);
    return 0;
}
