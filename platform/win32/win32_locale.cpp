#include "platform/win32/win32_locale.h"

#include <windows.h>
#include <oleauto.h>

#include "platform/win32/com.h"
#include "platform/win32/system_time.h"
#include "platform/win32/wide.h"

namespace sorvane::platform::win32 {
namespace {

std::string formatWith(const DateTime& value, ULONG flags) {
    SYSTEMTIME st = toSystemTime(value);
    DATE date = 0;
    if (!SystemTimeToVariantTime(&st, &date)) return {};
    Bstr text;
    if (FAILED(VarBstrFromDate(date, LOCALE_USER_DEFAULT, flags, text.out())) || text.get() == nullptr) return {};
    return narrow({text.get(), SysStringLen(text.get())});
}

std::wstring localeText(LCTYPE type, const wchar_t* fallback) {
    wchar_t buffer[16] = {};
    if (GetLocaleInfoW(LOCALE_USER_DEFAULT, type, buffer, static_cast<int>(std::size(buffer))) <= 0) return fallback;
    return buffer;
}

// "3;0" -> 3, "3;2;0" -> 32, "3" -> 30: the locale's grouping as NUMBERFMT wants it.
UINT groupingOf(std::wstring grouping) {
    std::wstring digits;
    for (wchar_t c : grouping) {
        if (c >= L'0' && c <= L'9') digits += c;
    }
    if (digits.empty()) return 3;
    if (digits.size() > 1 && digits.back() == L'0') {
        digits.pop_back();
    } else {
        digits += L'0';
    }
    return static_cast<UINT>(std::wcstoul(digits.c_str(), nullptr, 10));
}

}  // namespace

DateTime Win32Locale::now() {
    std::uint32_t millisecond = 0;
    return now(millisecond);
}

DateTime Win32Locale::now(std::uint32_t& millisecond) {
    SYSTEMTIME st{};
    GetLocalTime(&st);
    millisecond = st.wMilliseconds;
    return fromSystemTime(st);
}

std::uint64_t Win32Locale::tickMs() { return GetTickCount64(); }

std::string Win32Locale::formatDateTime(const DateTime& value) { return formatWith(value, 0); }

std::string Win32Locale::formatDate(const DateTime& value) { return formatWith(value, VAR_DATEVALUEONLY); }

std::string Win32Locale::formatTime(const DateTime& value) { return formatWith(value, VAR_TIMEVALUEONLY); }

std::string Win32Locale::weekdayName(const DateTime& value) {
    SYSTEMTIME st = toSystemTime(value);
    wchar_t buffer[80] = {};
    if (GetDateFormatW(LOCALE_USER_DEFAULT, 0, &st, L"dddd", buffer, static_cast<int>(std::size(buffer))) <= 0)
        return {};
    return narrow(buffer);
}

std::optional<DateTime> Win32Locale::parseDateTime(std::string_view text) {
    if (text.empty() || text.size() > 256) return std::nullopt;
    std::wstring wide = widen(text);
    if (wide.empty()) return std::nullopt;
    DATE date = 0;
    if (FAILED(VarDateFromStr(wide.data(), LOCALE_USER_DEFAULT, 0, &date))) return std::nullopt;
    SYSTEMTIME st{};
    if (!VariantTimeToSystemTime(date, &st)) return std::nullopt;
    return fromSystemTime(st);
}

std::string Win32Locale::formatWholeNumber(std::int64_t value) {
    std::wstring decimal = localeText(LOCALE_SDECIMAL, L".");
    std::wstring thousand = localeText(LOCALE_STHOUSAND, L",");
    NUMBERFMTW format{};
    format.NumDigits = 0;
    format.LeadingZero = 1;  // with 0, Wine writes zero itself as an empty text
    format.Grouping = groupingOf(localeText(LOCALE_SGROUPING, L"3;0"));
    format.lpDecimalSep = decimal.data();
    format.lpThousandSep = thousand.data();
    format.NegativeOrder = 1;  // "-1,234"
    const std::wstring digits = std::to_wstring(value);
    wchar_t buffer[64] = {};
    if (GetNumberFormatW(LOCALE_USER_DEFAULT, 0, digits.c_str(), &format, buffer, static_cast<int>(std::size(buffer))) <=
        0) {
        return narrow(digits);
    }
    return narrow(buffer);
}

std::string Win32Locale::toAnsi(std::string_view utf8) { return ansiFromUtf8(utf8); }

std::string Win32Locale::fromAnsi(std::string_view ansi) { return utf8FromAnsi(ansi); }

}  // namespace sorvane::platform::win32
