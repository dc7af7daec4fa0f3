#include "platform/date_forms.h"

#include <cstdio>

#include "platform/calendar.h"
#include "platform/text.h"

namespace sorvane::calendar {

using platform::DateTime;

namespace {

// Reads an unsigned number of 1 to `maxDigits` digits at `at`, moving past it.
std::optional<int> number(std::string_view text, std::size_t& at, std::size_t maxDigits) {
    std::size_t digits = 0;
    int value = 0;
    while (at < text.size() && digits < maxDigits && text[at] >= '0' && text[at] <= '9') {
        value = value * 10 + (text[at] - '0');
        ++at;
        ++digits;
    }
    if (digits == 0) return std::nullopt;
    return value;
}

bool take(std::string_view text, std::size_t& at, char c) {
    if (at >= text.size() || text[at] != c) return false;
    ++at;
    return true;
}

// "h:mm" or "h:mm:ss" at `at` into `d`, moving past it.
bool readTime(std::string_view text, std::size_t& at, DateTime& d) {
    const auto hour = number(text, at, 2);
    if (!hour || !take(text, at, ':')) return false;
    const auto minute = number(text, at, 2);
    if (!minute) return false;
    d.hour = *hour;
    d.minute = *minute;
    if (take(text, at, ':')) {
        const auto second = number(text, at, 2);
        if (!second) return false;
        d.second = *second;
    }
    return true;
}

std::optional<DateTime> checked(const DateTime& d) {
    // Years before 100 would be two-digit years misread.
    if (!calendar::IsValidDateTime(d, 100)) return std::nullopt;
    return d;
}

std::string twoDigits(int value) { return std::string(1, char('0' + value / 10 % 10)) + char('0' + value % 10); }

}  // namespace

std::string IsoDateText(const DateTime& d) {
    return twoDigits(d.year / 100) + twoDigits(d.year) + "-" + twoDigits(d.month) + "-" + twoDigits(d.day) + "T" +
           twoDigits(d.hour) + ":" + twoDigits(d.minute) + ":" + twoDigits(d.second);
}

std::optional<DateTime> ReadIsoDate(std::string_view text) {
    DateTime d;
    std::size_t at = 0;
    const std::size_t yearStart = at;
    const auto year = number(text, at, 4);
    if (!year || at - yearStart != 4 || !take(text, at, '-')) return std::nullopt;
    const auto month = number(text, at, 2);
    if (!month || !take(text, at, '-')) return std::nullopt;
    const auto day = number(text, at, 2);
    if (!day) return std::nullopt;
    d.year = *year;
    d.month = *month;
    d.day = *day;
    if (at < text.size() && (text[at] == 'T' || text[at] == ' ')) {
        ++at;
        if (!readTime(text, at, d)) return std::nullopt;
    }
    take(text, at, 'Z');
    if (at != text.size()) return std::nullopt;
    return checked(d);
}

std::optional<DateTime> ReadClassicDate(std::string_view text) {
    DateTime d;
    std::size_t at = 0;
    const auto month = number(text, at, 2);
    if (!month || !take(text, at, '/')) return std::nullopt;
    const auto day = number(text, at, 2);
    if (!day || !take(text, at, '/')) return std::nullopt;
    const std::size_t yearStart = at;
    const auto year = number(text, at, 4);
    if (!year || at - yearStart != 4) return std::nullopt;
    d.year = *year;
    d.month = *month;
    d.day = *day;
    if (take(text, at, ' ')) {
        if (!readTime(text, at, d)) return std::nullopt;
        if (take(text, at, ' ')) {
            const std::string marker = text::toUpper(text.substr(at));
            if (marker != "AM" && marker != "PM") return std::nullopt;
            if (d.hour < 1 || d.hour > 12) return std::nullopt;
            d.hour = d.hour % 12 + (marker == "PM" ? 12 : 0);
            at = text.size();
        }
    }
    if (at != text.size()) return std::nullopt;
    return checked(d);
}

std::string ClassicDateText(const DateTime& d) {
    const int hour12 = d.hour % 12 == 0 ? 12 : d.hour % 12;
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%d/%d/%d %d:%02d:%02d %s", d.month, d.day, d.year, hour12, d.minute, d.second,
                  d.hour < 12 ? "AM" : "PM");
    return buffer;
}

}  // namespace sorvane::calendar
