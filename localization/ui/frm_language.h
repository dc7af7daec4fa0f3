#pragma once
#include <functional>
#include <string>

#include "app/application.h"
#include "localization/skin.h"
#include "ui/controls.h"
#include "ui/form.h"
#include "update/signed_statement.h"

namespace sorvane::localization {

// What the language window needs from the rest of the program.
struct LanguageWindowServices {
    // Applies a language to a window and refreshes the catalogue.
    std::function<void(ui::Form&, const std::string&)> changeLanguage;
    // The main window, retranslated on a choice.
    std::function<ui::Form*()> mainWindow;
    // Gives every other window that is open (or loaded and hidden) the captions of the
    // language just applied, so that none keeps the language it was loaded in.
    std::function<void()> translateOpenWindows;
    // Fetches the language file from the language server.
    FetchBody fetch;
    // The key the file's signed statement must carry; empty: the file is taken unsigned.
    std::string publicKey = std::string(update::BuildPublicKey());
};

// The language window: pick a language, download a newer translation file, or open it for editing.
class FrmLanguage : public ui::Form {
public:
    FrmLanguage(app::Application& app, LanguageWindowServices services);

    static const ui::FormLayout Layout;

    ui::ComboBox& languageList;               // "Combo1"
    ui::CommandButton& checkForUpdatesButton;  // "Command1"
    ui::CommandButton& translateButton;        // "Command3"
    ui::CommandButton& okButton;               // "Command2"

    void Combo1_Click();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    // Fills the language list with the groups of the translation file, showing the "Language" setting.
    void FillLanguageList();
    // Where the language file is downloaded from.
    std::string downloadUrl() const;

protected:
    void Form_Load() override;

private:
    app::Application& app_;
    LanguageWindowServices services_;
    bool filling_ = false;
};

}  // namespace sorvane::localization
