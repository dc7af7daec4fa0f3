#include "protection/schedule.h"

#include <cstdio>

#include "platform/calendar.h"
#include "platform/text.h"

namespace sorvane::protection {

using platform::DateTime;

namespace {

std::string two(int n) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "%02d", n % 100);
    return buffer;
}

bool validDate(const DateTime& v) { return v.month >= 1 && v.month <= 12 && v.day >= 1 && v.day <= 31; }

// The time of day a daily or weekday schedule fires, when "Time" reads as one.
std::optional<DateTime> timeOfDay(platform::Locale& locale, const StoredSchedule& schedule) {
    auto time = locale.parseDateTime(schedule.time);
    if (!time) return std::nullopt;
    return time;
}

// By the calendar's weekday number, never by the system's name of the day: a German or
// Japanese Windows names its days in its own language.
bool firesOn(const StoredSchedule& schedule, const DateTime& day) {
    if (schedule.day == DailyIndex) return true;
    if (schedule.day >= 0 && schedule.day <= 6) return calendar::WeekdayIndex(day) == schedule.day;
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
    if (schedule.day >= 0 && schedule.day <= 6) return firesOn(schedule, now) && timeMatches();
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
        if (moment > after && firesOn(schedule, day)) return moment;
    }
    return std::nullopt;
}

std::optional<DateTime> MissedScheduledMoment(platform::Locale& locale, const StoredSchedule& schedule,
                                              const DateTime& after, const DateTime& before) {
    const auto time = timeOfDay(locale, schedule);
    if (!time) return std::nullopt;
    if (schedule.day == DateAndTimeIndex) {
        const auto date = locale.parseDateTime(schedule.date);
        if (!date || !validDate(*date)) return std::nullopt;
        const DateTime moment = at(*date, *time);
        if (moment > after && moment < before) return moment;
        return std::nullopt;
    }
    if (schedule.day != DailyIndex && (schedule.day < 0 || schedule.day > 6)) return std::nullopt;
    for (int offset = 0; offset <= 8; ++offset) {
        const DateTime day = AddSeconds(before, -std::int64_t{offset} * 86400);
        const DateTime moment = at(day, *time);
        if (moment <= after) return std::nullopt;
        if (moment < before && firesOn(schedule, day)) return moment;
    }
    return std::nullopt;
}

DateTime AddSeconds(const DateTime& value, std::int64_t seconds) { return calendar::AddSeconds(value, seconds); }

std::int64_t SecondsBetween(const DateTime& from, const DateTime& to) { return calendar::SecondsBetween(from, to); }

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
