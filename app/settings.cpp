#include "app/settings.h"

#include "platform/text.h"
#include "platform/trace.h"

namespace sorvane::app {

using platform::RootKey;

UserSettings::UserSettings(platform::Registry& registry, std::string application)
    : registry_(registry), application_(std::move(application)) {}

std::string UserSettings::keyPath(std::string_view sectionName) const {
    return std::string(Root) + "\\" + application_ + "\\" + std::string(sectionName);
}

std::string UserSettings::read(std::string_view sectionName, std::string_view key, std::string_view fallback) const {
    platform::RegistryValue value;
    const auto status = registry_.queryValue(RootKey::CurrentUser, keyPath(sectionName), key, platform::access::Read, value);
    if (!status.ok()) return std::string(fallback);
    if (value.type != platform::ValueType::String && value.type != platform::ValueType::ExpandString)
        return std::string(fallback);
    return value.text;
}

void UserSettings::write(std::string_view sectionName, std::string_view key, std::string_view value) {
    platform::TraceFailure(registry_.setString(RootKey::CurrentUser, keyPath(sectionName), key, value),
                           "writing the setting " + std::string(key));
}

std::int64_t UserSettings::readNumber(std::string_view sectionName, std::string_view key,
                                      std::string_view fallback) const {
    return text::numericValue(read(sectionName, key, fallback));
}

bool UserSettings::readBool(std::string_view sectionName, std::string_view key, std::string_view fallback) const {
    return text::booleanValue(read(sectionName, key, fallback), text::booleanValue(fallback));
}

MachineSettings::MachineSettings(platform::Registry& registry, UserSettings& user, ui::Host& host,
                                 std::function<std::string()> company, std::function<std::string()> productName)
    : registry_(registry), user_(user), host_(host), company_(std::move(company)), productName_(std::move(productName)) {}

std::string MachineSettings::keyPath(std::string_view application, std::string_view sectionName) const {
    return "SOFTWARE\\" + text::trim(company_ ? company_() : std::string()) + "\\" + text::trim(application) + "\\" +
           text::trim(sectionName);
}

namespace {
MachineRead found(std::string value) {
    MachineRead result;
    result.value = std::move(value);
    return result;
}
}  // namespace

MachineRead MachineSettings::ReadMachineSetting(std::string_view application, std::string_view sectionName,
                                                std::string_view key, std::string_view fallback) const {
    if (application.empty()) return {{}, machine_error::AppNameEmpty, "AppName may not be empty"};
    if (sectionName.empty()) return {{}, machine_error::SectionEmpty, "Section may not be empty"};
    if (key.empty()) return {{}, machine_error::KeyEmpty, "Key may not be empty"};

    const std::string path = keyPath(application, sectionName);
    const auto opened = registry_.openKey(RootKey::LocalMachine, path, platform::access::Read);
    if (opened.is(platform::error::FileNotFound) || opened.is(platform::error::PathNotFound))
        return found(std::string(fallback));
    if (!opened.ok()) return {{}, machine_error::CouldNotOpen, "Could not open registry section"};

    platform::RegistryValue value;
    if (!registry_.queryValue(RootKey::LocalMachine, path, key, platform::access::Read, value).ok())
        return found(std::string(fallback));
    if (value.type != platform::ValueType::String) return {{}, machine_error::NotAString, "Registry data not a string"};
    return found(value.text);
}

std::string MachineSettings::permissionDeniedText(std::string_view productName) {
    return std::string(productName) +
           " requires read/write access to the system registry and hard drive in order to run properly.  This user "
           "account does not have the proper permissions set.  As a result some or all of your settings may not be "
           "properly saved.  Please contact your system administrator or change the permission settings for this "
           "account.\r\n\r\nIf you would like to prevent this error message from being displayed again, please press "
           "'Ignore'.";
}

bool MachineSettings::retryAfterFailure() {
    if (user_.read(section::Settings, "IgnorePermissionDeniedError", "0") == "1") return false;
    const auto answer = host_.messageBox(permissionDeniedText(productName_ ? productName_() : std::string()),
                                         "Permission Denied", ui::mb::AbortRetryIgnore);
    if (answer == ui::Answer::Retry) return true;
    if (answer == ui::Answer::Ignore) user_.write(section::Settings, "IgnorePermissionDeniedError", "1");
    return false;
}

bool MachineSettings::WriteMachineSetting(std::string_view application, std::string_view sectionName,
                                          std::string_view key, std::string_view value) {
    const std::string path = keyPath(application, sectionName);
    while (!registry_.createKey(RootKey::LocalMachine, path).ok())
        if (!retryAfterFailure()) return false;
    while (!registry_.setString(RootKey::LocalMachine, path, key, value).ok())
        if (!retryAfterFailure()) return false;
    return true;
}

}  // namespace sorvane::app
