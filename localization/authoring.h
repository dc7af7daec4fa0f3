#pragma once
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "localization/messages.h"
#include "platform/file_system.h"
#include "platform/locale.h"
#include "ui/form.h"
#include "ui/layout.h"

namespace sorvane::localization {

// The authoring file beside the executable: English, from the live windows and the catalogue.
inline constexpr std::string_view AuthoringFileName = "Localization.txt";

// The English translation file's text (UTF-8): the header, one item line per caption of each
// window in order, every message of the catalogue, and the closing lines. Keys in capitals.
std::string LocalizationFileText(const std::vector<ui::Form*>& windows, const Languages& catalogue);

// The windows the authoring file lists as their load leaves them (load captions, skin-label
// copies); the others are listed as built.
inline constexpr std::string_view WindowsAuthoredAsLoaded[] = {
    "frmDelete", "frmDownload", "frmHomePageChangedAlert", "frmMenuPopUp", "frmQuarantine", "frmSignatureUpdated",
    "frmSpywareFoundAlert"};

// A window as the authoring file lists it from its design, without building it: its layout and
// the captions its load gives, which count when it is among WindowsAuthoredAsLoaded.
struct DesignedWindow {
    const ui::FormLayout* layout = nullptr;
    std::vector<ui::LoadCaption> captionsAtLoad{};
};

// The same text read from the windows' designs, in the order given; `skinsEnabled` says whether
// a load makes the skin-label copies.
std::string LocalizationFileText(std::span<const DesignedWindow> windows, const Languages& catalogue,
                                 bool skinsEnabled);

// Writes LocalizationFileText into "Localization.txt" in the application folder, in the system
// code page, replacing an earlier one.
[[nodiscard]] platform::Status makeLocalizationFile(platform::FileSystem& files, platform::Locale& locale,
                                                    std::string_view applicationFolder,
                                                    const std::vector<ui::Form*>& windows,
                                                    const Languages& catalogue);
[[nodiscard]] platform::Status makeLocalizationFile(platform::FileSystem& files, platform::Locale& locale,
                                                    std::string_view applicationFolder,
                                                    std::span<const DesignedWindow> windows,
                                                    const Languages& catalogue, bool skinsEnabled);

}  // namespace sorvane::localization
