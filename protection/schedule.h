#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/locale.h"

// When a scheduled scan is due: the stored schedule read against the clock. No window
// and no settings store here, only the texts the schedule page stores.
namespace sorvane::protection {

// The day list in its fixed order; the stored "Day" is the index.
inline constexpr std::array<std::string_view, 10> DayItems{"Monday", "Tuesday", "Wednesday", "Thursday", "Friday",
                                                           "Saturday", "Sunday", "Daily", "Date & Time", "Never!"};
inline constexpr int DailyIndex = 7;
inline constexpr int DateAndTimeIndex = 8;
inline constexpr int NeverIndex = 9;

// The schedule as stored: "Day" read as a number, "Time" and "Date" as texts ("Null" when unset).
struct StoredSchedule {
    std::int64_t day = DailyIndex;
    std::string time = "Null";
    std::string date = "Null";
};

// The stored text as the clock check compares it: "hh:mm:ss" (24-hour) of a text that reads
// as a time, "dd/MM/yyyy" of one that reads as a date; a text that is neither stays as it is.
std::string ClockText(platform::Locale& locale, std::string_view stored);
std::string CalendarText(platform::Locale& locale, std::string_view stored);
std::string ClockText(const platform::DateTime& value);
std::string CalendarText(const platform::DateTime& value);

// True in the second the schedule names: its weekday (by number, 0 Monday), every day, or its date.
bool IsScheduledMoment(platform::Locale& locale, const StoredSchedule& schedule, const platform::DateTime& now);

// The first moment strictly after `after` at which the schedule fires, within the next eight
// days (a date schedule: only its own date); nothing when it never fires again.
std::optional<platform::DateTime> NextScheduledMoment(platform::Locale& locale, const StoredSchedule& schedule,
                                                      const platform::DateTime& after);
// The last moment of the schedule strictly after `after` and strictly before `before`: of a
// daily or weekday schedule looking back at most eight days, of a "Date & Time" schedule its
// one moment; nothing for "Never!".
std::optional<platform::DateTime> MissedScheduledMoment(platform::Locale& locale, const StoredSchedule& schedule,
                                                        const platform::DateTime& after,
                                                        const platform::DateTime& before);

// Calendar arithmetic on whole seconds.
platform::DateTime AddSeconds(const platform::DateTime& value, std::int64_t seconds);
std::int64_t SecondsBetween(const platform::DateTime& from, const platform::DateTime& to);

// "yyyy-mm-dd hh:mm:ss": how the scheduler stores moments of its own, the same on every
// system whatever its date format; nothing when the text is not one.
std::string StampText(const platform::DateTime& value);
std::optional<platform::DateTime> ParseStamp(std::string_view text);

}  // namespace sorvane::protection
