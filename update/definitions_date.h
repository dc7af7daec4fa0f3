#pragma once
#include <optional>
#include <string>
#include <string_view>

#include "platform/date_forms.h"
#include "platform/file_system.h"
#include "platform/locale.h"

// The date of the installed definitions ("date.dat") and the dates servers send.
namespace sorvane::update {

inline constexpr std::string_view DateFile = "date.dat";
// The date of the definitions the program ships with, used when "date.dat" is missing.
inline constexpr platform::DateTime ShippedDefinitionsDate{2006, 3, 16, 0, 0, 0};

// A server's date answer made readable: blanks trimmed at both ends, every TAB, CR and LF
// removed, and (when `cutAfterAmPm`) the text cut right after its first "PM", or after its
// first "AM" when it has no "PM", in any letter case.
std::string CleanServerDate(std::string_view answer, bool cutAfterAmPm);
// The cleaned answer read as a date: ISO 8601 ("2024-05-14T09:00:00", what a server that
// was sent the "iso" parameter answers), then the form a classic server writes whatever the
// client's locale ("5/14/2024 9:00:00 AM", month first), then the system's format. Nothing
// when it is no date.
std::optional<platform::DateTime> ParseServerDate(platform::Locale& locale, std::string_view answer,
                                                  bool cutAfterAmPm);

// The installed definitions' date: "date.dat" (written in the system's code page and date
// format) read as a date, or in the ISO or classic form when the system's format has
// changed since; the shipped date when the file is missing or holds no date.
platform::DateTime LocalDefinitionsDate(platform::FileSystem& files, platform::Locale& locale,
                                        std::string_view folder);

// The text "date.dat" holds for `date`: DefinitionsDateText when the system reads it back as
// the same date, else calendar::IsoDateText (some systems write a form they cannot read again, as
// Wine's Korean "2024. 5. 14. AM 9:30:00"; a date that does not read back would have every
// later update ask for everything since the shipped definitions).
std::string StoredDateText(platform::Locale& locale, const platform::DateTime& date);

// The date to store after an update: the one the server offers, but never before `local`
// (which would apply the same history again) nor after `announced`, the newest date the
// server named before sending the update (a release published in between is not in it, and
// comes with the next update).
platform::DateTime BoundedNewDate(const platform::DateTime& local, const platform::DateTime& announced,
                                  const platform::DateTime& offered);
// A date as the program writes it: the system's short date and long time, the time left
// out at exactly midnight ("3/16/2006").
std::string DefinitionsDateText(platform::Locale& locale, const platform::DateTime& date);

}  // namespace sorvane::update
