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
    (void)host_.trayAdd(sysTrayForm, TipText(sysTrayForm.caption()));
    running_ = true;
}

void clsTray::RemoveIcon(ui::Form& sysTrayForm) {
    host_.trayRemove(sysTrayForm);
    running_ = false;
}

void clsTray::ChangeToolTip(ui::Form& sysTrayForm, std::string_view strNewTip) {
    if (!running_) return;
    host_.traySetToolTip(sysTrayForm, TipText(strNewTip));
}

}  // namespace sorvane::tray
