#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>

#include "ui/form.h"
#include "ui/win32/win32_host.h"

// A form of type F shown through the real host for each test; skipped without a display.
template <class F>
class ShownFormTest : public ::testing::Test {
protected:
    void SetUp() override {
        HWND probe = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
        if (probe == nullptr) GTEST_SKIP() << "no display to open windows on";
        DestroyWindow(probe);
        form = std::make_unique<F>(host);
        form->show();
        window = static_cast<HWND>(host.windowOf(*form));
        ASSERT_NE(window, nullptr);
    }
    void TearDown() override {
        if (form) form->runUnloadOnly();
    }
    HWND of(const sorvane::ui::Control& control) const { return static_cast<HWND>(host.windowOf(control)); }

    sorvane::ui::Win32Host host;
    std::unique_ptr<F> form;
    HWND window = nullptr;
};
