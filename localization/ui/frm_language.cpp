#include "localization/ui/frm_language.h"

#include "localization/translation_file.h"

#include <algorithm>
#include "platform/date_forms.h"
#include "platform/limits.h"
#include "platform/text.h"
#include "platform/trace.h"
#include "platform/write_failure.h"

namespace sorvane::localization {

namespace {
constexpr std::string_view ChooseLanguage = "Choose Language Here";

using enum ui::ControlType;
constexpr ui::ControlDesign Controls[] = {
    {.name = "Label1",
     .type = Label,
     .geometry = {240, 240, 6840, 300},
     .caption = "Please select the language you would like to use:"},
    {.name = "Combo1", .type = ComboBox, .geometry = {240, 660, 6840, 315}, .caption = ChooseLanguage},
    {.name = "Command1",
     .type = CommandButton,
     .geometry = {240, 1260, 3360, 420},
     .caption = "Check for language updates"},
    {.name = "Command3",
     .type = CommandButton,
     .geometry = {3720, 1260, 3360, 420},
     .caption = "Translate this program"},
    {.name = "Command2", .type = CommandButton, .geometry = {5880, 1980, 1200, 420}, .caption = "OK"},
};
}  // namespace

const ui::FormLayout FrmLanguage::Layout{"frmLanguage", Controls};

FrmLanguage::FrmLanguage(app::Application& app, LanguageWindowServices services)
    : ui::Form(app.host, Layout),
      languageList(designed<ui::ComboBox>("Combo1")),
      checkForUpdatesButton(designed<ui::CommandButton>("Command1")),
      translateButton(designed<ui::CommandButton>("Command3")),
      okButton(designed<ui::CommandButton>("Command2")),
      app_(app),
      services_(std::move(services)) {
    setCaption("Language Selection");
    // Room for the longer captions of other languages.
    setSize(7500, 3150);
    languageList.onClick = [this] { Combo1_Click(); };
    checkForUpdatesButton.onClick = [this] { Command1_Click(); };
    okButton.onClick = [this] { Command2_Click(); };
    translateButton.onClick = [this] { Command3_Click(); };
    app.registerWindow(*this);
}

void FrmLanguage::Form_Load() {
    const auto change = [this] {
        if (services_.changeLanguage) services_.changeLanguage(*this, app_.languageName);
    };
    change();
    setCaption(CutText(app_.message("MSG_TITLELANGUAGE"), limits::MaxCaptionText));
    change();
    FillLanguageList();
    if (app_.branding.SkinsEnabled && app_.hooks.skinWindow) app_.hooks.skinWindow(*this);
}

void FrmLanguage::FillLanguageList() {
    filling_ = true;
    languageList.clear();
    const std::string path = app_.appPath(TranslationFileName);
    // Decoded as the language switch decodes it, so that a name outside ASCII is listed in
    // the form that chooses its group.
    if (const auto content = ReadTranslationFile(app_.platform.files, path)) {
        for (const auto& group : ReadLanguageGroups(*content))
            languageList.addItem(CutText(group.name, limits::MaxCaptionText));
        // A dropped-down list shows one of its items: the stored language's when it is listed.
        const std::string chosen = app_.userSettings.read(app::section::Settings, "Language", "English");
        const auto& items = languageList.items();
        int shown = -1;
        for (std::size_t i = 0; i < items.size() && shown < 0; ++i)
            if (text::equalsNoCase(items[i], chosen)) shown = static_cast<int>(i);
        if (shown >= 0) languageList.setListIndex(shown);
        else if (!items.empty()) languageList.setCaption(CutText(chosen, limits::MaxCaptionText));
    }
    filling_ = false;
}

void FrmLanguage::Combo1_Click() {
    if (filling_) return;
    const std::string chosen = languageList.text();
    if (chosen == ChooseLanguage || chosen.empty()) return;
    app_.userSettings.write(app::section::Settings, "Language", chosen);
    if (!services_.changeLanguage) return;
    if (ui::Form* main = services_.mainWindow ? services_.mainWindow() : nullptr) {
        services_.changeLanguage(*main, chosen);
        // The main window's own caption is set from the catalogue, not by the window walk.
        main->setCaption(CutText(app_.brandedMessage("MSG_CAPTION"), limits::MaxCaptionText));
    }
    services_.changeLanguage(*this, chosen);
    if (services_.translateOpenWindows) services_.translateOpenWindows();
}

namespace {

// The publisher's statement for the language file in use, kept beside it: its date is the one a
// later download may not be older than.
constexpr std::string_view KeptStatementName = "Localization.sig";

std::optional<platform::DateTime> KeptTranslationDate(platform::FileSystem& files, const std::string& path) {
    std::string kept;
    if (!files.readFile(path, kept).ok()) return std::nullopt;
    const auto statement = update::ReadStatement(kept);
    return statement ? calendar::ReadIsoDate(statement->to) : std::nullopt;
}

}  // namespace

std::string FrmLanguage::downloadUrl() const {
    return std::string(LanguageServerUrl) + std::to_string(app_.branding.languageServerProduct) + "/Localization.xml";
}

void FrmLanguage::Command1_Click() {
    if (!services_.fetch) return;
    const std::string url = downloadUrl();
    const auto body = services_.fetch(url);
    // Only a whole body that is a translation file replaces the one there is.
    if (!body || body->size() > limits::MaxTranslationFile || !text::containsNoCase(*body, "<TRANSLATION_ITEMS>"))
        return;
    // What the publisher signed, and nothing else, may change what every window says; and no
    // genuine older file, sent again, may take back the one in use.
    const std::string keptStatementPath = app_.appPath(KeptStatementName);
    std::optional<std::string> statement;
    if (!services_.publicKey.empty()) {
        statement = services_.fetch(update::StatementAddress(url));
        const auto check =
            update::CheckStatement(app_.platform.signatures, services_.publicKey, statement, *body,
                                   {update::AddressPath(url), {}, KeptTranslationDate(app_.platform.files, keptStatementPath)});
        if (!check.ok()) {
            const bool older = check.refusal == update::Refusal::NotNewer;
            (void)host().messageBox(app_.brandedMessage(older ? "MSG_LANGUAGE_OLDER" : "MSG_LANGUAGE_REFUSED"),
                                    app_.branding.ProgramName, ui::mb::OkOnly);
            return;
        }
    }
    std::string_view content = *body;
    content.remove_prefix(content.find('<'));
    // Read whole before it replaces the good file: a file without a single language would leave
    // every window in English and the list empty.
    const auto groups = ReadLanguageGroups(DecodeUtf8(content));
    if (groups.empty() || std::none_of(groups.begin(), groups.end(), [](const LanguageGroup& g) {
            return g.hasItems && !text::trim(g.name).empty();
        }))
        return;
    std::string written(content);
    written += "\r\n";
    const std::string path = app_.appPath(TranslationFileName);
    if (const auto saved = WriteReplacing(app_.platform.files, path, written); !saved.ok()) {
        const auto message = [this](std::string_view key) { return app_.message(key); };
        (void)host().messageBox(app_.message("MSG_LANGUAGE_UNSAVED") + "\r\n" + path + ": " +
                                    platform::WriteFailureCause(saved.code(), message),
                                app_.branding.ProgramName, ui::mb::Exclamation);
        return;
    }
    // The file is in use either way; without its statement kept, only the refusal of an older one is lost.
    if (statement) {
        platform::TraceFailure(WriteReplacing(app_.platform.files, keptStatementPath, *statement),
                               "keeping the language file's statement");
    }
    FillLanguageList();
    (void)host().messageBox(app_.message("MSG_DOWNLOADED"), app_.branding.ProgramName, ui::mb::OkOnly);
}

void FrmLanguage::Command2_Click() { unload(); }

void FrmLanguage::Command3_Click() {
    const std::string path = app_.appPath(TranslationFileName);
    const auto entry = app_.platform.files.lookup(path);
    if (entry && !entry->isFolder()) platform::TraceFailure(app_.platform.shell.open(path), "opening the translation file");
}

}  // namespace sorvane::localization
