#pragma once
#include <optional>
#include <string>
#include <string_view>

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
// The cleaned answer read as a date in the system's format; nothing when it is no date.
std::optional<platform::DateTime> ParseServerDate(platform::Locale& locale, std::string_view answer,
                                                  bool cutAfterAmPm);

// The installed definitions' date: "date.dat" read as a date, the shipped date when the
// file is missing or holds no date.
platform::DateTime LocalDefinitionsDate(platform::FileSystem& files, platform::Locale& locale,
                                        std::string_view folder);
// A date as the program writes it: the system's short date and long time, the time left
// out at exactly midnight ("3/16/2006").
std::string DefinitionsDateText(platform::Locale& locale, const platform::DateTime& date);

}  // namespace sorvane::update
