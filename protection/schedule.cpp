#include "protection/schedule.h"

#include <cstdio>

#include "platform/text.h"

namespace sorvane::protection {

using platform::DateTime;

namespace {

// Days since 1970-01-01 of a civil date and back (proleptic Gregorian).
std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void civilFromDays(std::int64_t z, int& y, int& m, int& d) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2));
}

std::int64_t secondsOf(const DateTime& v) {
    return daysFromCivil(v.year, static_cast<unsigned>(v.month), static_cast<unsigned>(v.day)) * 86400 +
           v.hour * 3600 + v.minute * 60 + v.second;
}

DateTime fromSeconds(std::int64_t total) {
    std::int64_t days = total / 86400;
    std::int64_t rest = total % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    DateTime out;
    civilFromDays(days, out.year, out.month, out.day);
    out.hour = static_cast<int>(rest / 3600);
    out.minute = static_cast<int>(rest / 60 % 60);
    out.second = static_cast<int>(rest % 60);
    return out;
}

std::string two(int n) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "%02d", n % 100);
    return buffer;
}

bool validDate(const DateTime& v) { return v.month >= 1 && v.month <= 12 && v.day >= 1 && v.day <= 31; }

// The weekday index (0 Monday .. 6 Sunday) the system's name of the day matches, or -1.
int weekdayIndexByName(platform::Locale& locale, const DateTime& day) {
    const std::string name = locale.weekdayName(day);
    for (std::size_t i = 0; i < WeekdayNames.size(); ++i)
        if (text::equalsNoCase(name, WeekdayNames[i])) return static_cast<int>(i);
    return -1;
}

// The time of day a daily or weekday schedule fires, when "Time" reads as one.
std::optional<DateTime> timeOfDay(platform::Locale& locale, const StoredSchedule& schedule) {
    auto time = locale.parseDateTime(schedule.time);
    if (!time) return std::nullopt;
    return time;
}

bool firesOn(platform::Locale& locale, const StoredSchedule& schedule, const DateTime& day) {
    if (schedule.day == DailyIndex) return true;
    if (schedule.day >= 0 && schedule.day <= 6) return weekdayIndexByName(locale, day) == schedule.day;
    return false;
}

DateTime at(const DateTime& day, const DateTime& time) {
    return DateTime{day.year, day.month, day.day, time.hour, time.minute, time.second};
}

}  // namespace

std::string ClockText(const DateTime& value) {
    return two(value.hour) + ":" + two(value.minute) + ":" + two(value.second);
}

std::string CalendarText(const DateTime& value) {
    return two(value.day) + "/" + two(value.month) + "/" + std::to_string(value.year);
}

std::string ClockText(platform::Locale& locale, std::string_view stored) {
    auto value = locale.parseDateTime(stored);
    return value ? ClockText(*value) : std::string(stored);
}

std::string CalendarText(platform::Locale& locale, std::string_view stored) {
    auto value = locale.parseDateTime(stored);
    return value ? CalendarText(*value) : std::string(stored);
}

bool IsScheduledMoment(platform::Locale& locale, const StoredSchedule& schedule, const DateTime& now) {
    const auto timeMatches = [&] { return ClockText(now) == ClockText(locale, schedule.time); };
    if (schedule.day == DailyIndex) return timeMatches();
    if (schedule.day == DateAndTimeIndex)
        return CalendarText(now) == CalendarText(locale, schedule.date) && timeMatches();
    if (schedule.day >= 0 && schedule.day <= 6)
        return text::equalsNoCase(locale.weekdayName(now), WeekdayNames[static_cast<std::size_t>(schedule.day)]) &&
               timeMatches();
    return false;
}

std::optional<DateTime> NextScheduledMoment(platform::Locale& locale, const StoredSchedule& schedule,
                                            const DateTime& after) {
    const auto time = timeOfDay(locale, schedule);
    if (!time) return std::nullopt;
    if (schedule.day == DateAndTimeIndex) {
        const auto date = locale.parseDateTime(schedule.date);
        if (!date || !validDate(*date)) return std::nullopt;
        const DateTime moment = at(*date, *time);
        if (moment > after) return moment;
        return std::nullopt;
    }
    for (int offset = 0; offset <= 8; ++offset) {
        const DateTime day = AddSeconds(after, std::int64_t{offset} * 86400);
        const DateTime moment = at(day, *time);
        if (moment > after && firesOn(locale, schedule, day)) return moment;
    }
    return std::nullopt;
}

std::optional<DateTime> MissedScheduledMoment(platform::Locale& locale, const StoredSchedule& schedule,
                                              const DateTime& after, const DateTime& before) {
    if (schedule.day != DailyIndex && (schedule.day < 0 || schedule.day > 6)) return std::nullopt;
    const auto time = timeOfDay(locale, schedule);
    if (!time) return std::nullopt;
    for (int offset = 0; offset <= 8; ++offset) {
        const DateTime day = AddSeconds(before, -std::int64_t{offset} * 86400);
        const DateTime moment = at(day, *time);
        if (moment <= after) return std::nullopt;
        if (moment < before && firesOn(locale, schedule, day)) return moment;
    }
    return std::nullopt;
}

DateTime AddSeconds(const DateTime& value, std::int64_t seconds) { return fromSeconds(secondsOf(value) + seconds); }

std::int64_t SecondsBetween(const DateTime& from, const DateTime& to) { return secondsOf(to) - secondsOf(from); }

std::string StampText(const DateTime& value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d", value.year % 10000, value.month % 100,
                  value.day % 100, value.hour % 100, value.minute % 100, value.second % 100);
    return buffer;
}

std::optional<DateTime> ParseStamp(std::string_view text) {
    if (text.size() != 19) return std::nullopt;
    DateTime v;
    const std::string s(text);
    if (std::sscanf(s.c_str(), "%4d-%2d-%2d %2d:%2d:%2d", &v.year, &v.month, &v.day, &v.hour, &v.minute,
                    &v.second) != 6)
        return std::nullopt;
    if (!validDate(v) || v.hour > 23 || v.minute > 59 || v.second > 59) return std::nullopt;
    return v;
}

}  // namespace sorvane::protection
