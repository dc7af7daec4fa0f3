#pragma once

namespace sorvane::platform::win32 {

// Limits where this process looks for libraries loaded by name to System32, so that a DLL
// planted beside the executable (a folder a standard user may be able to write) never runs
// in it. Called first thing by both programs, before any library is loaded at run time;
// version.dll and wininet.dll, which are not among the libraries the system always takes
// from System32, are delay-loaded and so come after it. False when the system has no such
// call (before Windows 7 with KB2533623).
bool LimitLibrarySearchToSystem32();

}  // namespace sorvane::platform::win32
