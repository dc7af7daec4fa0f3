#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "localization/messages.h"
#include "platform/file_system.h"
#include "platform/locale.h"
#include "ui/form.h"

namespace sorvane::localization {

// The authoring file beside the executable: English, from the live windows and the catalogue.
inline constexpr std::string_view AuthoringFileName = "Localization.txt";

// The English translation file's text (UTF-8): the header, one item line per caption of each
// window in order, every message of the catalogue, and the closing lines. Keys in capitals.
std::string LocalizationFileText(const std::vector<ui::Form*>& windows, const Languages& catalogue);

// Writes LocalizationFileText into "Localization.txt" in the application folder, in the system
// code page, replacing an earlier one.
[[nodiscard]] platform::Status makeLocalizationFile(platform::FileSystem& files, platform::Locale& locale,
                                                    std::string_view applicationFolder,
                                                    const std::vector<ui::Form*>& windows,
                                                    const Languages& catalogue);

}  // namespace sorvane::localization
