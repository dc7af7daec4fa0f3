#include "update/definitions_date.h"

#include "app/definition_files.h"
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

std::optional<platform::DateTime> ParseServerDate(platform::Locale& locale, std::string_view answer,
                                                  bool cutAfterAmPm) {
    const std::string cleaned = CleanServerDate(answer, cutAfterAmPm);
    if (cleaned.empty()) return std::nullopt;
    return locale.parseDateTime(cleaned);
}

platform::DateTime LocalDefinitionsDate(platform::FileSystem& files, platform::Locale& locale,
                                        std::string_view folder) {
    const auto parsed = locale.parseDateTime(app::ReadDefinitionsDate(files, folder));
    return parsed ? *parsed : ShippedDefinitionsDate;
}

std::string DefinitionsDateText(platform::Locale& locale, const platform::DateTime& date) {
    return locale.formatDateTime(date);
}

}  // namespace sorvane::update
