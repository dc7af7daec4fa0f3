#pragma once
#include <string>
#include <string_view>

#include "ui/form.h"
#include "ui/host.h"

namespace sorvane::tray {

// Characters the icon's tip holds; a longer text is cut.
inline constexpr std::size_t TipLength = 64;

// A tip as the icon record holds it: at most TipLength characters.
std::string TipText(std::string_view text);

// The notification-area icon of one window at a time.
class clsTray {
public:
    explicit clsTray(ui::Host& host) : host_(host) {}

    // Adds the icon of `sysTrayForm`, its tip the window's caption.
    void ShowIcon(ui::Form& sysTrayForm);
    void RemoveIcon(ui::Form& sysTrayForm);
    // Only while an icon shows; otherwise nothing.
    void ChangeToolTip(ui::Form& sysTrayForm, std::string_view strNewTip);

    // True from ShowIcon to RemoveIcon, even when the shell refused the icon.
    bool bRunningInTray() const { return running_; }
    void setRunningInTray(bool running) { running_ = running; }

private:
    ui::Host& host_;
    bool running_ = false;
};

}  // namespace sorvane::tray
