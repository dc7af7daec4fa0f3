#include "platform/win32/wide.h"

#include <windows.h>

#include <climits>

namespace sorvane::platform::win32 {

namespace {

std::wstring toWide(UINT codePage, std::string_view text) {
    if (text.empty() || text.size() > INT_MAX) return {};
    const int size = static_cast<int>(text.size());
    const int needed = MultiByteToWideChar(codePage, 0, text.data(), size, nullptr, 0);
    if (needed <= 0) return {};
    std::wstring result(static_cast<std::size_t>(needed), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), size, result.data(), needed);
    return result;
}

// Text all in ASCII is the same in UTF-8: no conversion call is needed for it (a drive's
// sweep turns every file name of the drive into UTF-8, and most are ASCII).
bool isAscii(std::wstring_view text) {
    for (wchar_t c : text)
        if (c >= 0x80) return false;
    return true;
}

void fromWide(UINT codePage, std::wstring_view text, std::string& result) {
    result.clear();
    if (text.empty() || text.size() > INT_MAX) return;
    if (codePage == CP_UTF8 && isAscii(text)) {
        result.assign(text.begin(), text.end());
        return;
    }
    const int size = static_cast<int>(text.size());
    const int needed = WideCharToMultiByte(codePage, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) return;
    result.resize(static_cast<std::size_t>(needed));
    WideCharToMultiByte(codePage, 0, text.data(), size, result.data(), needed, nullptr, nullptr);
}

std::string fromWide(UINT codePage, std::wstring_view text) {
    std::string result;
    fromWide(codePage, text, result);
    return result;
}

}  // namespace

std::wstring widen(std::string_view text) { return toWide(CP_UTF8, text); }

std::string narrow(std::wstring_view text) { return fromWide(CP_UTF8, text); }

void narrowInto(std::wstring_view text, std::string& utf8) { fromWide(CP_UTF8, text, utf8); }

std::string ansiFromUtf8(std::string_view text) { return fromWide(CP_ACP, widen(text)); }

std::string utf8FromAnsi(std::string_view ansi) { return narrow(toWide(CP_ACP, ansi)); }

}  // namespace sorvane::platform::win32
