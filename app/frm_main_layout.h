#pragma once
#include "ui/layout.h"

namespace sorvane::app {

// The main window's design in twips: a fixed navigation column beside one page area, which the
// window's layout stretches as the window is resized.
namespace main_design {
inline constexpr int NavLeft = 120;
inline constexpr int NavWidth = 2700;  // room for "Visit " and the web address
inline constexpr int PageLeft = NavLeft + NavWidth + 120;
inline constexpr int PageTop = 120;
}  // namespace main_design

// The main window's controls as designed, in the order the window holds them (the order of its
// translation items). Apart from the window's class, so that what lists captions needs no window.
extern const ui::FormLayout FrmMainLayout;

}  // namespace sorvane::app
