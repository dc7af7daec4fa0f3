#include "protection/home_page.h"

#include <algorithm>

#include "app/frm_main.h"
#include "platform/limits.h"
#include "platform/text.h"
#include "platform/trace.h"
#include "protection/memory_shield.h"

namespace sorvane::protection {

namespace {

// Characters the text takes in the wide buffer, without its NUL.
std::size_t wideLength(std::string_view utf8) {
    std::size_t units = 0;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if ((c & 0xC0) == 0x80) continue;
        units += c >= 0xF0 ? 2 : 1;  // beyond the basic plane a character takes two units
    }
    return units;
}

}  // namespace

bool ReadRegistryValue(platform::Registry& registry, platform::RootKey root, std::string_view subKey,
                       std::string_view valueName, std::string& value) {
    platform::RegistryValue read;
    // Reading needs no more than the right to query: a start page the account may not change is still read.
    if (!registry.queryValue(root, subKey, valueName, platform::access::QueryValue, read).ok()) {
        value.clear();
        return false;
    }
    const bool isText = read.type == platform::ValueType::String || read.type == platform::ValueType::ExpandString;
    if (!isText) return true;
    if (wideLength(read.text) + 1 > limits::MaxStartPageChars) {
        value.clear();
        return false;
    }
    value = read.text;
    return true;
}

void WriteUserRegistryValue(platform::Registry& registry, std::string_view subKey, std::string_view valueName,
                            std::string_view value, int type) {
    const auto root = platform::RootKey::CurrentUser;
    if (!registry.openKey(root, subKey, platform::access::SetValue).ok()) return;
    platform::RegistryValue stored;
    if (type == RegistryString) {
        stored.type = platform::ValueType::String;
        stored.text = std::string(value);
    } else if (type == RegistryDword) {
        const auto number = static_cast<std::uint32_t>(text::numericValue(value));
        stored.type = platform::ValueType::Dword;
        for (int shift = 0; shift < 32; shift += 8) stored.data.push_back(static_cast<std::uint8_t>(number >> shift));
    } else {
        return;
    }
    platform::TraceFailure(registry.setValue(root, subKey, valueName, stored), "writing the start page");
}

namespace {
using enum ui::ControlType;
constexpr ui::ControlDesign HomePageAlertControls[] = {
    {.name = "lblFrmHomePageProductName", .type = Label, .geometry = {240, 180, 6600, 360}},
    {.name = "lblHomePageInfo", .type = Label, .geometry = {240, 660, 6600, 2400}},
    {.name = "cmdYes", .type = CommandButton, .geometry = {1560, 3180, 1800, 450}, .caption = "Yes"},
    {.name = "cmdNo", .type = CommandButton, .geometry = {3840, 3180, 1800, 450}, .caption = "No"},
};
}  // namespace

const ui::FormLayout FrmHomePageChangedAlert::Layout{"frmHomePageChangedAlert", HomePageAlertControls};

std::vector<ui::LoadCaption> FrmHomePageChangedAlert::CaptionsAtLoad(const app::Application& app) {
    return {{"lblFrmHomePageProductName", app.branding.ProgramName}};
}

FrmHomePageChangedAlert::FrmHomePageChangedAlert(app::Application& app, HomePageShield& shield)
    : ui::Form(app.host, Layout),
      lblFrmHomePageProductName(designed<ui::Label>("lblFrmHomePageProductName")),
      lblHomePageInfo(designed<ui::Label>("lblHomePageInfo")),
      cmdYes(designed<ui::CommandButton>("cmdYes")),
      cmdNo(designed<ui::CommandButton>("cmdNo")),
      app_(app),
      shield_(shield) {
    setSize(7200, 4200);
    setTopMost(true);
    lblFrmHomePageProductName.setBold(true);
    cmdYes.onClick = [this] { cmdYes_Click(); };
    cmdNo.onClick = [this] { cmdNO_Click(); };
    app.registerWindow(*this);
}

void FrmHomePageChangedAlert::Form_Load() {
    setCaption(app_.branding.ProgramName);
    setCaptions(CaptionsAtLoad(app_));
    if (app_.branding.SkinsEnabled && app_.hooks.skinWindow) app_.hooks.skinWindow(*this);
}

void FrmHomePageChangedAlert::cmdYes_Click() {
    shield_.KeepRemembered();
    unload();
}

void FrmHomePageChangedAlert::cmdNO_Click() {
    shield_.AcceptChange();
    unload();
}

HomePageShield::HomePageShield(app::Application& app, MemoryShield& memory, BackgroundHold& hold)
    : app_(app), memory_(memory), hold_(hold), alert_(app, *this) {}

namespace {

// The question, naming the setting for a policy: `setting` is empty for the start page.
std::string QuestionText(const std::string& product, const std::string& setting, const std::string& remembered,
                         const std::string& current) {
    return product + " has detected that your Homepage has been changed.\r\n" + setting + "\r\n" +
           "Click YES to keep your homepage as:\r\n" + remembered + "\r\n\r\n" +
           "Click No to change your homepage to:\r\n" + current;
}

}  // namespace

std::string HomePageShield::AlertText() const {
    if (alertPolicy_) {
        const auto& place = PolicyPlaces()[*alertPolicy_];
        return QuestionText(app_.branding.ProgramName, app_.message("MSG_HOMEPAGE_POLICY") + " " + PlaceName(place),
                            SnapshotText(policies_[*alertPolicy_]), SnapshotText(policyNow_));
    }
    return QuestionText(app_.branding.ProgramName, "", remembered_, current_);
}

void HomePageShield::KeepRemembered() {
    if (alertPolicy_)
        (void)RestorePolicy(*alertPolicy_);
    else
        RestoreHomePage();
}

void HomePageShield::AcceptChange() {
    if (alertPolicy_)
        policies_[*alertPolicy_] = policyNow_;
    else
        AcceptHomePage();
}

bool HomePageShield::RestorePolicy(std::size_t index) {
    const auto& place = PolicyPlaces()[index];
    if (RestoreSnapshot(app_.platform.registry, place, policies_[index])) return true;
    platform::Trace("home-page shield", "could not put back " + PlaceName(place));
    policies_[index] = TakeSnapshot(app_.platform.registry, place);
    return false;
}

void HomePageShield::Ask(const std::string& text) {
    alert_.lblHomePageInfo.setCaption(text);
    alert_.show(true);
    if (alert_.loaded()) alert_.unload();
}

void HomePageShield::CheckPolicies(app::FrmMain& main) {
    auto& registry = app_.platform.registry;
    const auto& places = PolicyPlaces();
    // Every watch is asked, so that each is set again before anything is read.
    bool moved = false;
    for (auto& changes : policyChanges_) moved = changes.mayHaveChanged(registry) || moved;
    if (policies_.empty()) {
        // Watching begins: what is set now is the user's, or the organisation's.
        for (const auto& place : places) policies_.push_back(TakeSnapshot(registry, place));
        policiesOpen_ = std::any_of(policies_.begin(), policies_.end(), [](const PlaceSnapshot& snapshot) {
            return snapshot.state == PlaceSnapshot::State::Unreadable;
        });
        return;
    }
    if (!moved && !policiesOpen_) return;
    policiesOpen_ = false;
    auto& settings = app_.userSettings;
    for (std::size_t i = 0; i < places.size() && !app_.ended(); ++i) {
        auto now = TakeSnapshot(registry, places[i]);
        if (policies_[i].state == PlaceSnapshot::State::Unreadable) {
            // Looked at again at every check until it can be read.
            if (now.state == PlaceSnapshot::State::Unreadable) policiesOpen_ = true;
            policies_[i] = std::move(now);
            continue;
        }
        if (!PlaceChanged(policies_[i], now)) continue;
        // Whatever is done about it, the next check looks again: a change left in place, or a
        // question closed without an answer, is brought up again as before.
        policiesOpen_ = true;
        if (settings.readBool(app::section::Options, "optAlwaysnotifybeforerestoring", "True")) {
            alertPolicy_ = i;
            policyNow_ = std::move(now);
            Ask(AlertText());
            alertPolicy_.reset();
        } else if (settings.readBool(app::section::Options, "optRestoredefaultwithoutnotification", "False")) {
            if (RestorePolicy(i) && app_.hooks.trayBalloon)
                app_.hooks.trayBalloon(main, app_.message("MSG_BALLOON_HOMEPAGE") + " " + SnapshotText(policies_[i]) +
                                                 "\r\n" + app_.message("MSG_HOMEPAGE_POLICY") + " " +
                                                 PlaceName(places[i]));
        }
    }
}

void HomePageShield::RestoreHomePage() {
    app_.userSettings.write(app::section::Options, "Homepage", remembered_);
    WriteUserRegistryValue(app_.platform.registry, StartPageKey, StartPageValue, remembered_, RegistryString);
}

void HomePageShield::AcceptHomePage() { app_.userSettings.write(app::section::Options, "Homepage", current_); }

void HomePageShield::tmrCheckHomePage_Timer(app::FrmMain& main) {
    // A tick inside this check's own alert, or inside a memory pass, is let go.
    if (hold_.held()) return;
    auto& settings = app_.userSettings;

    // Every third tick carries a memory-shield pass while the shield's own timer is off (the
    // main window shown): while it runs, it already passes every ten seconds, and a pass more
    // would see nothing sooner.
    if (++ticks_ > 2) {
        ticks_ = 0;
        if (!main.tmrMemoryInspected.on()) memory_.tmrMemoryInspected_Timer(main);
        if (app_.ended()) return;
    }

    const auto holding = hold_.hold();
    main.tmrCheckHomePage.setOn(false);
    if (settings.readBool(app::section::Options, "optIEHomePageSheildOn", "True")) {
        // The page as last read stands while its key tells of no change (a failed write of
        // ours changes nothing either, and is acted on again).
        if (startPageChanges_.mayHaveChanged(app_.platform.registry)) {
            current_ = "about:blank";
            (void)ReadRegistryValue(app_.platform.registry, platform::RootKey::CurrentUser, StartPageKey,
                                    StartPageValue, current_);
        }
        remembered_ = settings.read(app::section::Options, "Homepage", "");
        if (remembered_.empty()) {
            // The first check adopts whatever page is set.
            remembered_ = current_;
            settings.write(app::section::Options, "Homepage", current_);
        }
        if (remembered_ != current_) {
            if (settings.readBool(app::section::Options, "optAlwaysnotifybeforerestoring", "True")) {
                Ask(AlertText());
            } else if (settings.readBool(app::section::Options, "optRestoredefaultwithoutnotification", "False")) {
                RestoreHomePage();
                // Silent in the window, but not without a word: the icon says what was put back.
                if (app_.hooks.trayBalloon)
                    app_.hooks.trayBalloon(main, app_.message("MSG_BALLOON_HOMEPAGE") + " " + remembered_);
            }
        }
        if (!app_.ended()) CheckPolicies(main);
    } else {
        // Changes made while the shield is off are not its to judge when it comes back on.
        policies_.clear();
        startPageChanges_.reset();
        for (auto& changes : policyChanges_) changes.reset();
    }
    if (!app_.ended()) main.ArmBackgroundTimers(true);
}

}  // namespace sorvane::protection
