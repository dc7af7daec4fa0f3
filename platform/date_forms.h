#pragma once
#include <optional>
#include <string>
#include <string_view>

#include "platform/locale.h"

// The two fixed text forms of a moment that the client and the definition server exchange,
// whatever either side's locale: ISO 8601 and the classic server's month-first form.
namespace sorvane::calendar {

// "YYYY-MM-DDThh:mm:ss": the one form of a date that every server reads the same way.
std::string IsoDateText(const platform::DateTime& date);
// Reads IsoDateText's form (a date alone, or with "T" or a blank before "h:mm[:ss]", and an
// optional "Z"); nothing for anything else or an impossible date.
std::optional<platform::DateTime> ReadIsoDate(std::string_view text);

// "3/16/2006 12:00:00 AM": month first, a 12-hour clock, what classic clients read back.
std::string ClassicDateText(const platform::DateTime& date);
// Reads "M/D/YYYY", optionally followed by "h:mm[:ss]" and "AM" or "PM" in any letter case;
// nothing otherwise.
std::optional<platform::DateTime> ReadClassicDate(std::string_view text);

}  // namespace sorvane::calendar
