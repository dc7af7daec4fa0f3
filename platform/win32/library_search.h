#pragma once

#include "platform/status.h"

namespace sorvane::platform::win32 {

// Limits where this process looks for libraries loaded by name to System32, so that a DLL
// planted beside the executable (a folder a standard user may be able to write) never runs
// in it. Called first thing by both programs, before any library is loaded at run time;
// version.dll and wininet.dll, which are not among the libraries the system always takes
// from System32, are delay-loaded and so come after it. False when the system has no such
// call (before Windows 7 with KB2533623).
bool LimitLibrarySearchToSystem32();

// Makes sure a delay-loaded library (version, wininet, bcrypt, comdlg32, gdiplus) is loaded,
// from System32, and keeps it for the process's life. When MinGW's delay-load helper cannot
// load a library it raises an exception that no handler catches, and the program would end at
// its first call into it; so every path into one asks this first and, on failure, reports the
// feature as unavailable instead of calling in. The failure is the system's error code.
Status LoadDelayLoadedLibrary(const wchar_t* name);

}  // namespace sorvane::platform::win32
