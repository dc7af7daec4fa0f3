#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/application.h"
#include "platform/registry.h"
#include "protection/background_hold.h"
#include "protection/policy_watch.h"
#include "ui/controls.h"
#include "ui/form.h"

namespace sorvane::app {
class FrmMain;
}

namespace sorvane::protection {

class MemoryShield;

// Where Internet Explorer keeps the current user's start page.
inline constexpr std::string_view StartPageKey = "Software\\Microsoft\\Internet Explorer\\Main";
inline constexpr std::string_view StartPageValue = "Start Page";
// Where every browser policy the shield watches lives, in both hives.
inline constexpr std::string_view PolicyTree = "Software\\Policies";

// Registry value types as the start-page writer takes them.
inline constexpr int RegistryString = 1;
inline constexpr int RegistryDword = 4;

// Reads a value of a key opened with the right to query only. True when it was read: a string sets
// `value` to its text; another type leaves `value` as it was. A key or value that cannot be
// read, or a text longer than the 1,024-character buffer, sets `value` to "" and gives false.
bool ReadRegistryValue(platform::Registry& registry, platform::RootKey root, std::string_view subKey,
                       std::string_view valueName, std::string& value);
// Writes a value of an existing key of the current user, opened with the right to set values: type 1
// a string, type 4 the number the text reads as. A missing key is not made; failures go unnoticed.
void WriteUserRegistryValue(platform::Registry& registry, std::string_view subKey, std::string_view valueName,
                            std::string_view value, int type);

class HomePageShield;

// Asks which of two start pages to keep. Modal; its message is fixed, not translated.
class FrmHomePageChangedAlert : public ui::Form {
public:
    FrmHomePageChangedAlert(app::Application& app, HomePageShield& shield);

    static const ui::FormLayout Layout;
    // The captions this window's load gives its designed controls.
    static std::vector<ui::LoadCaption> CaptionsAtLoad(const app::Application& app);

    ui::Label& lblFrmHomePageProductName;
    ui::Label& lblHomePageInfo;
    ui::CommandButton& cmdYes;
    ui::CommandButton& cmdNo;

    void cmdYes_Click();  // keep the remembered page or policy
    void cmdNO_Click();   // accept the new one

protected:
    void Form_Load() override;

private:
    app::Application& app_;
    HomePageShield& shield_;
};

// The home-page shield: every five seconds compares the start page with the remembered one,
// and the browsers' policies (PolicyPlaces) with what they held when the shield began watching,
// and asks, restores silently or leaves the change, as the options say; every third tick also
// runs a memory-shield pass while the memory shield's own timer is off.
class HomePageShield {
public:
    HomePageShield(app::Application& app, MemoryShield& memory, BackgroundHold& hold);

    // One check, the handler of the main window's tmrCheckHomePage.
    void tmrCheckHomePage_Timer(app::FrmMain& main);
    // Writes the remembered page back as the start page.
    void RestoreHomePage();
    // Remembers the page that is set now.
    void AcceptHomePage();
    // The alert's answers: the start page's, or the policy's it asks about.
    void KeepRemembered();
    void AcceptChange();

    // The alert's message for the pages of the last check.
    std::string AlertText() const;
    std::uint16_t ticks() const { return ticks_; }
    FrmHomePageChangedAlert& alertWindow() { return alert_; }

private:
    app::Application& app_;
    MemoryShield& memory_;
    BackgroundHold& hold_;
    std::uint16_t ticks_ = 0;
    std::string current_;
    std::string remembered_;
    // What each of PolicyPlaces() held when watching began, or when last accepted or restored;
    // empty while the shield does not watch.
    std::vector<PlaceSnapshot> policies_;
    // The start page's key and the two policy trees: read again only when they may have
    // changed, or while a difference found at the last look is still open.
    KeyChanges startPageChanges_{platform::RootKey::CurrentUser, StartPageKey};
    std::array<KeyChanges, 2> policyChanges_{KeyChanges{platform::RootKey::LocalMachine, PolicyTree},
                                             KeyChanges{platform::RootKey::CurrentUser, PolicyTree}};
    bool policiesOpen_ = false;
    // The policy the open alert asks about, and what it holds now.
    std::optional<std::size_t> alertPolicy_;
    PlaceSnapshot policyNow_;
    FrmHomePageChangedAlert alert_;

    // Asks, restores or leaves a policy that differs from its snapshot, as the options say.
    void CheckPolicies(app::FrmMain& main);
    // Puts the policy back; a place that cannot be put back (a machine-wide policy under a
    // standard account) is taken as it is now, so that it is not brought up again every check.
    bool RestorePolicy(std::size_t index);
    // Asks about a change, with the texts of the start page's question.
    void Ask(const std::string& text);
};

}  // namespace sorvane::protection
