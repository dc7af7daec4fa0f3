#pragma once
#include <cstdint>

#include "platform/locale.h"

// Calendar arithmetic on the proleptic Gregorian calendar, in whole days and seconds.
namespace sorvane::calendar {

// Days since 1970-01-01 of a civil date, and the date of such a day number.
std::int64_t DaysFromCivil(std::int64_t year, unsigned month, unsigned day);
void CivilFromDays(std::int64_t days, int& year, int& month, int& day);
// Whether the fields name a real moment of the Gregorian calendar, in years from `firstYear`
// to 9999 (whole seconds, no leap second).
bool IsValidDateTime(const platform::DateTime& value, int firstYear);
// The weekday of a date, 0 Monday to 6 Sunday.
int WeekdayIndex(const platform::DateTime& value);
platform::DateTime AddSeconds(const platform::DateTime& value, std::int64_t seconds);
std::int64_t SecondsBetween(const platform::DateTime& from, const platform::DateTime& to);

}  // namespace sorvane::calendar
