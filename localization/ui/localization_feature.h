#pragma once
#include <memory>
#include <string>
#include <vector>

#include "app/application.h"
#include "localization/skin.h"
#include "localization/ui/frm_language.h"
#include "platform/limits.h"

namespace sorvane::localization {

// The program's one HTTP fetch, handing on the bytes the server sent (language files, banner images).
FetchBody ProgramFetch(app::Application& app, std::size_t maxBytes = limits::MaxHttpBody);

// Languages and skins plugged into the program: the language window and the window walk,
// the authoring file, the skin steps of every window, the skin hook and the banner strip.
class LocalizationFeature {
public:
    // `fetch` brings the language file and the banner page from their servers.
    LocalizationFeature(app::Application& app, FetchBody fetch);
    LocalizationFeature(const LocalizationFeature&) = delete;
    LocalizationFeature& operator=(const LocalizationFeature&) = delete;

    // Fills the skin, banner and language hooks of the main window.
    void install();

    FrmLanguage& frmLanguage() { return *frmLanguage_; }
    SkinHook& skinHook() { return skinHook_; }
    const Skin& skin() const { return skin_; }

    void ChangeLanguage(ui::Form& form, const std::string& language);
    // Every loaded window but the main and the language windows, in the catalogue's language.
    void TranslateOpenWindows();
    // Loads the secondary windows the authoring file lists as loaded, without showing them.
    void LoadSecondaryForms();
    // The English file of every loaded window's captions and every message, beside the executable.
    [[nodiscard]] platform::Status makeLocalizationFile();
    // The label copies, then the skin steps, for any window.
    void SkinWindow(ui::Form& form);
    // The six label passes of the main window.
    void CopyMainWindowLabels(ui::Form& main);

    // Height in twips of the banner strip above the main window's pages.
    static constexpr int BannerHeight = 900;

private:
    app::Application& app_;
    FetchBody fetch_;
    SkinHook skinHook_;
    Skin skin_;
    bool skinLoaded_ = false;
    ui::Form* main_ = nullptr;
    std::unique_ptr<FrmLanguage> frmLanguage_;
};

}  // namespace sorvane::localization
