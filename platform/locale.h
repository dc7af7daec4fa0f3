#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace sorvane::platform {

struct DateTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    friend bool operator==(const DateTime&, const DateTime&) = default;
    friend auto operator<=>(const DateTime&, const DateTime&) = default;
};

// The system clock and the system's way of writing dates, times and numbers.
class Locale {
public:
    virtual ~Locale() = default;

    virtual DateTime now() = 0;
    // now(), and the milliseconds of its second that have passed (0 to 999), read at once.
    virtual DateTime now(std::uint32_t& millisecond) = 0;
    // Milliseconds since an arbitrary start; for measuring intervals.
    virtual std::uint64_t tickMs() = 0;

    // Short date and long time, the time left out when it is exactly midnight.
    virtual std::string formatDateTime(const DateTime& value) = 0;
    virtual std::string formatDate(const DateTime& value) = 0;
    virtual std::string formatTime(const DateTime& value) = 0;
    // The long name of the date's weekday as the system writes it (the "dddd" format).
    virtual std::string weekdayName(const DateTime& value) = 0;
    // Reads a date and/or time the way the system writes them; nothing when it is no date.
    virtual std::optional<DateTime> parseDateTime(std::string_view text) = 0;
    // Whole number with the locale's thousands separators and no decimals ("1,234,567").
    virtual std::string formatWholeNumber(std::int64_t value) = 0;

    // Conversion between UTF-8 and the system's ANSI code page, for files kept as ANSI text.
    virtual std::string toAnsi(std::string_view utf8) = 0;
    virtual std::string fromAnsi(std::string_view ansi) = 0;
};

}  // namespace sorvane::platform
