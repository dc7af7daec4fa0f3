#pragma once
#include <windows.h>

#include "platform/locale.h"

// The program's dates as the SYSTEMTIME of the Win32 calls, and back.
namespace sorvane::platform::win32 {

inline SYSTEMTIME toSystemTime(const DateTime& value) {
    SYSTEMTIME time{};
    time.wYear = static_cast<WORD>(value.year);
    time.wMonth = static_cast<WORD>(value.month);
    time.wDay = static_cast<WORD>(value.day);
    time.wHour = static_cast<WORD>(value.hour);
    time.wMinute = static_cast<WORD>(value.minute);
    time.wSecond = static_cast<WORD>(value.second);
    return time;
}

inline DateTime fromSystemTime(const SYSTEMTIME& time) {
    return DateTime{time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute, time.wSecond};
}

}  // namespace sorvane::platform::win32
