#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/registry.h"
#include "ui/host.h"

namespace sorvane::app {

// Section names of the per-user store.
namespace section {
inline constexpr std::string_view Options = "OptionAndSettings";
inline constexpr std::string_view Settings = "Settings";
inline constexpr std::string_view Drives = "Drives";
}  // namespace section

// The application name every store is addressed with.
inline constexpr std::string_view ApplicationName = "Sorvane";

// The per-user settings, where the classic SaveSetting kept them, so that companion
// programs watching STATUS, RESTART and SHOW find them. Nothing is cached.
class UserSettings {
public:
    static constexpr std::string_view Root = "Software\\VB and VBA Program Settings";

    explicit UserSettings(platform::Registry& registry, std::string application = std::string(ApplicationName));

    // The stored text, or `fallback` when the value is missing or not text. Never fails.
    std::string read(std::string_view sectionName, std::string_view key, std::string_view fallback) const;
    // Stores the text as REG_SZ, creating the section when needed; failures go unnoticed.
    void write(std::string_view sectionName, std::string_view key, std::string_view value);

    // Readers that convert with the matching rule of the stored form.
    std::int64_t readNumber(std::string_view sectionName, std::string_view key, std::string_view fallback) const;
    bool readBool(std::string_view sectionName, std::string_view key, std::string_view fallback) const;

    std::string keyPath(std::string_view sectionName) const;

private:
    platform::Registry& registry_;
    std::string application_;
};

// Errors of ReadMachineSetting, numbered above the classic user-error base.
namespace machine_error {
inline constexpr std::int32_t UserErrorBase = static_cast<std::int32_t>(0x80040000u);
inline constexpr std::int32_t AppNameEmpty = UserErrorBase + 1000;
inline constexpr std::int32_t SectionEmpty = UserErrorBase + 1001;
inline constexpr std::int32_t KeyEmpty = UserErrorBase + 1002;
inline constexpr std::int32_t CouldNotOpen = UserErrorBase + 1003;
inline constexpr std::int32_t NotAString = UserErrorBase + 1004;
}  // namespace machine_error

struct MachineRead {
    std::string value;
    std::int32_t error = 0;  // 0, or one of machine_error
    std::string errorText;
    bool ok() const { return error == 0; }
};

// The machine-wide store under HKEY_LOCAL_MACHINE\SOFTWARE\<company>\<application>\<section>.
class MachineSettings {
public:
    // `company` and `productName` are asked when needed: the branding is set up after the store.
    MachineSettings(platform::Registry& registry, UserSettings& user, ui::Host& host,
                    std::function<std::string()> company, std::function<std::string()> productName);

    // The stored text or the default; a bad argument, an unreadable section or a value that is
    // not text comes back as an error, with the value empty.
    MachineRead ReadMachineSetting(std::string_view application, std::string_view sectionName, std::string_view key,
                                   std::string_view fallback) const;
    // Stores the text as REG_SZ. A failure asks the user (Abort/Retry/Ignore) unless the user
    // chose Ignore once before; true when the value was stored.
    bool WriteMachineSetting(std::string_view application, std::string_view sectionName, std::string_view key,
                             std::string_view value);

    std::string keyPath(std::string_view application, std::string_view sectionName) const;
    static std::string permissionDeniedText(std::string_view productName);

private:
    // Asks how to go on after a failed step: true to retry.
    bool retryAfterFailure();

    platform::Registry& registry_;
    UserSettings& user_;
    ui::Host& host_;
    std::function<std::string()> company_;
    std::function<std::string()> productName_;
};

}  // namespace sorvane::app
