#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "ui/controls.h"
#include "ui/form.h"
#include "ui/host.h"

namespace sorvane::tray {

// Characters the icon's tip holds; a longer text is cut.
inline constexpr std::size_t TipLength = 64;
// An icon the shell refuses (it is still starting at logon) is asked for again this often,
// at most this many times, before the window is shown in its place.
inline constexpr std::uint32_t IconRetryMs = 2000;
inline constexpr int IconRetries = 15;

// A tip as the icon record holds it: at most TipLength characters.
std::string TipText(std::string_view text);

// The notification-area icon of one window at a time.
class clsTray {
public:
    explicit clsTray(ui::Host& host) : host_(host) {}

    // Adds the icon of `sysTrayForm`, its tip the window's caption. A refused add is tried
    // again on a timer of that window; when every try failed, onIconRefused runs.
    void ShowIcon(ui::Form& sysTrayForm);
    void RemoveIcon(ui::Form& sysTrayForm);
    // Only while an icon shows; otherwise nothing.
    void ChangeToolTip(ui::Form& sysTrayForm, std::string_view strNewTip);
    // A notice from the icon, titled; false when no icon shows it.
    bool ShowBalloon(ui::Form& sysTrayForm, std::string_view title, std::string_view text);

    // True from ShowIcon to RemoveIcon, even while the shell still refuses the icon.
    bool bRunningInTray() const { return running_; }
    void setRunningInTray(bool running) { running_ = running; }
    // True while the shell shows the icon.
    bool iconShown() const { return shown_; }

    // The window that could not get its icon, so that it can be shown instead.
    std::function<void(ui::Form&)> onIconRefused;

    static constexpr std::string_view RetryTimerName = "tmrTrayIconRetry";

private:
    void retryTick(ui::Form& form);
    void stopRetry();

    ui::Host& host_;
    bool running_ = false;
    bool shown_ = false;
    std::string tip_;
    ui::Timer* retryTimer_ = nullptr;
    int retries_ = 0;
};

}  // namespace sorvane::tray
