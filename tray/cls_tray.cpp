#include "tray/cls_tray.h"

namespace sorvane::tray {

std::string TipText(std::string_view text) {
    std::size_t characters = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        // A character starts at every byte that does not continue a UTF-8 sequence.
        if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;
        if (characters++ == TipLength) return std::string(text.substr(0, i));
    }
    return std::string(text);
}

void clsTray::ShowIcon(ui::Form& sysTrayForm) {
    stopRetry();
    tip_ = TipText(sysTrayForm.caption());
    running_ = true;
    shown_ = host_.trayAdd(sysTrayForm, tip_);
    if (shown_) return;
    // Without an icon a hidden window cannot be reached: ask the shell again shortly.
    retries_ = 0;
    retryTimer_ = sysTrayForm.findAs<ui::Timer>(RetryTimerName);
    if (retryTimer_ == nullptr) retryTimer_ = &sysTrayForm.add<ui::Timer>(std::string(RetryTimerName));
    retryTimer_->onTimer = [this, &sysTrayForm] { retryTick(sysTrayForm); };
    retryTimer_->setInterval(IconRetryMs);
    retryTimer_->setOn(true);
}

void clsTray::retryTick(ui::Form& form) {
    if (!running_) {
        stopRetry();
        return;
    }
    shown_ = host_.trayAdd(form, tip_);
    if (shown_) {
        stopRetry();
        return;
    }
    if (++retries_ < IconRetries) return;
    stopRetry();
    running_ = false;
    if (onIconRefused) onIconRefused(form);
}

void clsTray::stopRetry() {
    if (retryTimer_ != nullptr) retryTimer_->setOn(false);
    retryTimer_ = nullptr;
}

void clsTray::RemoveIcon(ui::Form& sysTrayForm) {
    stopRetry();
    host_.trayRemove(sysTrayForm);
    running_ = false;
    shown_ = false;
}

void clsTray::ChangeToolTip(ui::Form& sysTrayForm, std::string_view strNewTip) {
    if (!running_) return;
    tip_ = TipText(strNewTip);
    host_.traySetToolTip(sysTrayForm, tip_);
}

bool clsTray::ShowBalloon(ui::Form& sysTrayForm, std::string_view title, std::string_view text) {
    if (!running_ || !shown_) return false;
    return host_.trayBalloon(sysTrayForm, title, text);
}

}  // namespace sorvane::tray
