#include "app/application.h"

#include "platform/text.h"

namespace sorvane::app {

Application::Application(platform::Platform& services, ui::Host& uiHost)
    : platform(services),
      host(uiHost),
      userSettings(services.registry),
      machineSettings(services.registry, userSettings, uiHost, [this] { return branding.CompanyName; },
                      [this] { return branding.ProgramName; }) {}

void Application::InitBranding() { branding = localization::InitBranding(platform.versions); }

std::string Application::message(std::string_view key) const {
    // "[Company]" in the window caption's default text means the company name as well.
    const std::string filled = localization::FillPlaceholders(messages.getMessages(key), branding);
    return text::replaceAllNoCase(filled, "[Company]", branding.CompanyName);
}

localization::LanguageContext Application::languageContext() {
    return {platform.files, applicationFolder(), messages, branding, languageName};
}

void Application::applyStoredLanguage() {
    auto context = languageContext();
    localization::ApplyLanguage(context, userSettings.read(section::Settings, "Language", "English"));
}

std::vector<ui::Form*> Application::registeredWindows() const {
    std::vector<ui::Form*> result;
    for (const auto& [name, form] : windows_) result.push_back(form);
    return result;
}

void Application::registerWindow(ui::Form& form) { windows_[form.name()] = &form; }

ui::Form* Application::window(std::string_view name) const {
    const auto found = windows_.find(name);
    return found == windows_.end() ? nullptr : found->second;
}

void Application::end() {
    ended_ = true;
    host.quit();
}

}  // namespace sorvane::app
