#include "update/definitions_date.h"

#include <algorithm>

#include "app/definition_files.h"
#include "platform/calendar.h"
#include "platform/text.h"

namespace sorvane::update {

std::string CleanServerDate(std::string_view answer, bool cutAfterAmPm) {
    std::string cleaned;
    for (char c : text::trim(answer)) {
        if (c != '\t' && c != '\r' && c != '\n') cleaned += c;
    }
    if (!cutAfterAmPm) return cleaned;
    for (std::string_view marker : {"PM", "AM"}) {
        const std::size_t at = text::findNoCase(cleaned, marker);
        if (at != std::string::npos) return cleaned.substr(0, at + marker.size());
    }
    return cleaned;
}

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
bool readTime(std::string_view text, std::size_t& at, platform::DateTime& d) {
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

std::optional<platform::DateTime> checked(const platform::DateTime& d) {
    // Years before 100 would be two-digit years misread.
    if (!calendar::IsValidDateTime(d, 100)) return std::nullopt;
    return d;
}

std::string twoDigits(int value) { return std::string(1, char('0' + value / 10 % 10)) + char('0' + value % 10); }

}  // namespace

std::string IsoDateText(const platform::DateTime& d) {
    return twoDigits(d.year / 100) + twoDigits(d.year) + "-" + twoDigits(d.month) + "-" + twoDigits(d.day) + "T" +
           twoDigits(d.hour) + ":" + twoDigits(d.minute) + ":" + twoDigits(d.second);
}

std::optional<platform::DateTime> ReadIsoDate(std::string_view text) {
    platform::DateTime d;
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

std::optional<platform::DateTime> ReadClassicDate(std::string_view text) {
    platform::DateTime d;
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

std::optional<platform::DateTime> ParseServerDate(platform::Locale& locale, std::string_view answer,
                                                  bool cutAfterAmPm) {
    const std::string cleaned = CleanServerDate(answer, cutAfterAmPm);
    if (cleaned.empty()) return std::nullopt;
    if (auto iso = ReadIsoDate(cleaned)) return iso;
    if (auto classic = ReadClassicDate(cleaned)) return classic;
    return locale.parseDateTime(cleaned);
}

platform::DateTime LocalDefinitionsDate(platform::FileSystem& files, platform::Locale& locale,
                                        std::string_view folder) {
    const std::string stored = app::ReadDefinitionsDate(files, locale, folder);
    if (auto parsed = locale.parseDateTime(stored)) return *parsed;
    if (auto iso = ReadIsoDate(stored)) return *iso;
    if (auto classic = ReadClassicDate(stored)) return *classic;
    return ShippedDefinitionsDate;
}

std::string StoredDateText(platform::Locale& locale, const platform::DateTime& date) {
    std::string text = DefinitionsDateText(locale, date);
    if (locale.parseDateTime(text) == date) return text;
    return IsoDateText(date);
}

platform::DateTime BoundedNewDate(const platform::DateTime& local, const platform::DateTime& announced,
                                  const platform::DateTime& offered) {
    return std::max(local, std::min(offered, announced));
}

std::string DefinitionsDateText(platform::Locale& locale, const platform::DateTime& date) {
    return locale.formatDateTime(date);
}

}  // namespace sorvane::update
