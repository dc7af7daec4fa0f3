#include "localization/ui/localization_feature.h"

#include <array>
#include <string_view>

#include "app/frm_main.h"
#include "localization/authoring.h"
#include "localization/language_switch.h"
#include "update/fetch.h"

namespace sorvane::localization {

FetchBody ProgramFetch(app::Application& app, std::size_t maxBytes) {
    // Translation files and banner images are kept as the server sent them.
    return [&app, maxBytes](std::string_view url) { return update::FetchBytes(app.platform, app.host, url, maxBytes); };
}

LocalizationFeature::LocalizationFeature(app::Application& app, FetchBody fetch)
    : app_(app),
      fetch_(std::move(fetch)),
      frmLanguage_(std::make_unique<FrmLanguage>(
          app, LanguageWindowServices{[this](ui::Form& form, const std::string& language) {
                                          ChangeLanguage(form, language);
                                      },
                                      [this] { return main_; }, [this] { TranslateOpenWindows(); }, fetch_})) {}

void LocalizationFeature::TranslateOpenWindows() {
    // The main and the language windows were given the language by the switch itself.
    for (ui::Form* window : app_.registeredWindows())
        if (window->loaded() && window != main_ && window != frmLanguage_.get())
            TranslateWindow(*window, app_.messages, app_.branding);
}

void LocalizationFeature::install() {
    auto& hooks = app_.hooks;
    hooks.changeLanguage = [this](ui::Form& form, const std::string& language) {
        // The main window applies its language first of all, at its load.
        if (main_ == nullptr && dynamic_cast<app::FrmMain*>(&form) != nullptr) main_ = &form;
        ChangeLanguage(form, language);
    };
    hooks.showLanguageWindow = [this] { frmLanguage_->show(true); };
    hooks.openLanguageWindow = [this] { frmLanguage_->show(false); };
    hooks.skinWindow = [this](ui::Form& form) { SkinWindow(form); };
    // Windows that do not ask for the skin steps themselves get them once they are loaded.
    // Every other window takes the chosen language's captions as it loads; the main and the
    // language windows apply theirs in their own loads, around captions they set themselves.
    app_.host.formLoaded = [this](ui::Form& form) {
        if (&form != main_ && &form != frmLanguage_.get())
            TranslateWindow(form, app_.messages, app_.branding);
        if (app_.branding.SkinsEnabled && form.backColor() == ui::DefaultColor) SkinWindow(form);
    };
    hooks.copySkinLabels = [this](app::FrmMain& main) { CopyMainWindowLabels(main); };
    hooks.startSkinHook = [this] {
        skinHook_.attach(skin_);
        skinHook_.start();
    };
    hooks.stopSkinHookOnNt6 = [this] { StopSkinHookOnNt6(skinHook_, app_.platform.processes); };
    hooks.releaseSkinEngine = [this] { skinHook_.stop(); };
    hooks.bannerHeight = [] { return BannerHeight; };
    hooks.setUpBannerStrip = [this](app::FrmMain& main) {
        const ui::Geometry page = main.frmStatus.geometry();
        SetUpBannerStrip(main, {page.left, page.top - BannerHeight, page.width, BannerHeight}, false,
                         app_.branding.bannerUrl, ProgramFetch(app_, limits::MaxBannerBytes));
    };
}

void LocalizationFeature::ChangeLanguage(ui::Form& form, const std::string& language) {
    auto context = app_.languageContext();
    localization::ChangeLanguage(context, form, language);
}

void LocalizationFeature::LoadSecondaryForms() {
    for (std::string_view name : WindowsAuthoredAsLoaded)
        if (ui::Form* window = app_.window(name)) window->load();
}

platform::Status LocalizationFeature::makeLocalizationFile() {
    LoadSecondaryForms();
    // The main window first; it is among the registered windows too, and is written once.
    std::vector<ui::Form*> windows;
    if (main_ != nullptr && main_->loaded()) windows.push_back(main_);
    for (ui::Form* window : app_.registeredWindows())
        if (window != main_ && window->loaded()) windows.push_back(window);
    return localization::makeLocalizationFile(app_.platform.files, app_.platform.locale, app_.applicationFolder(),
                                              windows, app_.messages);
}

void LocalizationFeature::SkinWindow(ui::Form& form) {
    if (!skinLoaded_) {
        skin_ = LoadSkin(app_.platform.files, app_.applicationFolder());
        skinLoaded_ = true;
    }
    // Copies are made once per window: a window loaded again keeps the ones it has.
    const bool copied = form.upperBound(SkinLabelArray) > 0;
    const auto copies = form.layout() != nullptr ? form.layout()->skinLabelCopies : ui::SkinLabelCopies::None;
    if (!copied && app_.branding.SkinsEnabled && copies != ui::SkinLabelCopies::None)
        CopyLabelsToSkinLabels(form, SkinLabelArray, nullptr, copies == ui::SkinLabelCopies::EveryLabel);
    localization::SkinWindow(form, skin_, IsNt6OrLater(app_.platform.processes), app_.branding.SkinsEnabled);
}

void LocalizationFeature::CopyMainWindowLabels(ui::Form& form) {
    auto* main = dynamic_cast<app::FrmMain*>(&form);
    if (main == nullptr || form.upperBound(SkinLabelArray) >= 0) return;
    // One pass per container that holds labels: the form itself, then the pages.
    const std::array<std::pair<std::string_view, ui::Control*>, 6> passes = {{{SkinLabelArray, nullptr},
                                                                              {"SkinLabel2", &main->frmStatus},
                                                                              {"SkinLabel3", &main->frmScan},
                                                                              {"SkinLabel4", &main->frmResults},
                                                                              {"SkinLabel5", main->frmView[3]},
                                                                              {"SkinLabel6", main->frmView[0]}}};
    for (const auto& [name, container] : passes) CopyLabelsToSkinLabels(form, name, container, false);
}

}  // namespace sorvane::localization
