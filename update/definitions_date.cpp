#include "update/definitions_date.h"

#include <algorithm>

#include "app/definition_files.h"
#include "platform/date_forms.h"
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
    if (auto iso = calendar::ReadIsoDate(cleaned)) return iso;
    if (auto classic = calendar::ReadClassicDate(cleaned)) return classic;
    return locale.parseDateTime(cleaned);
}

platform::DateTime LocalDefinitionsDate(platform::FileSystem& files, platform::Locale& locale,
                                        std::string_view folder) {
    const std::string stored = app::ReadDefinitionsDate(files, locale, folder);
    if (auto parsed = locale.parseDateTime(stored)) return *parsed;
    if (auto iso = calendar::ReadIsoDate(stored)) return *iso;
    if (auto classic = calendar::ReadClassicDate(stored)) return *classic;
    return ShippedDefinitionsDate;
}

std::string StoredDateText(platform::Locale& locale, const platform::DateTime& date) {
    std::string text = DefinitionsDateText(locale, date);
    if (locale.parseDateTime(text) == date) return text;
    return calendar::IsoDateText(date);
}

platform::DateTime BoundedNewDate(const platform::DateTime& local, const platform::DateTime& announced,
                                  const platform::DateTime& offered) {
    return std::max(local, std::min(offered, announced));
}

std::string DefinitionsDateText(platform::Locale& locale, const platform::DateTime& date) {
    return locale.formatDateTime(date);
}

}  // namespace sorvane::update
