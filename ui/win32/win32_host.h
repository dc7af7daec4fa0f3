#pragma once
#include <memory>

#include "ui/host.h"

namespace sorvane::ui {

// Renders forms with real windows and native controls and runs the message loop.
class Win32Host : public Host {
public:
    Win32Host();
    ~Win32Host() override;
    Win32Host(const Win32Host&) = delete;
    Win32Host& operator=(const Win32Host&) = delete;

    // The native window (an HWND) of a loaded form or of one of its windowed controls; null otherwise.
    void* windowOf(const Form& form) const;
    void* windowOf(const Control& control) const;
    // Pixels per inch of the system, read at start: what the screen's measures are given in.
    int dpi() const;
    // Pixels per inch of a loaded form's window (its monitor's), as its twips are shown;
    // the system's when the form has no window.
    int dpiOf(const Form& form) const;

    void formChanged(Form& form, Change change) override;
    void controlChanged(Control& control, Change change, int item = -1) override;
    void show(Form& form, bool modal) override;
    void hide(Form& form) override;
    void destroy(Form& form) override;
    Answer messageBox(std::string_view text, std::string_view title, std::uint32_t style) override;
    void yield() override;
    void yieldBetweenItems() override;
    void sleep(std::uint32_t ms) override;
    void waitUntil(const std::function<bool()>& done) override;
    void run() override;
    void quit() override;
    bool quitting() const override;
    void freezePainting(Form& form, bool frozen) override;
    void setBusyCursor(bool busy) override;
    std::optional<std::string> chooseFile(Form& owner, std::string_view title, std::string_view filter) override;
    bool trayAdd(Form& owner, std::string_view toolTip) override;
    void traySetToolTip(Form& owner, std::string_view toolTip) override;
    void trayRemove(Form& owner) override;
    bool trayBalloon(Form& owner, std::string_view title, std::string_view text) override;
    void askRunningCopyToShow() override;
    ScreenArea screenArea() const override;
    bool setWindowRegion(Form& form, int width, int height) override;

    // The message a form's window receives from its tray icon; lParam is the mouse message.
    static constexpr unsigned trayCallbackMessage = 0x8000 + 1;

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

std::unique_ptr<Host> makeWin32Host();

}  // namespace sorvane::ui
