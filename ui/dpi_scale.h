#pragma once
#include <cstdint>

namespace sorvane::ui {

// Forms are laid out in twips, 1440 to the logical inch; a window shows them in pixels of the
// DPI of the monitor it stands on. Every conversion between the two goes through here.
inline constexpr int TwipsPerInch = 1440;
inline constexpr int ClassicDpi = 96;

// value * numerator / denominator, rounded half away from zero as the system's MulDiv does
// (so that figures compared against MulDiv agree to the pixel); -1 for a zero denominator
// or a result that does not fit, as MulDiv answers.
constexpr int mulDivRounded(int value, int numerator, int denominator) {
    if (denominator == 0) return -1;
    const std::int64_t product = static_cast<std::int64_t>(value) * numerator;
    const bool negative = (product < 0) != (denominator < 0);
    const std::int64_t magnitude = product < 0 ? -product : product;
    const std::int64_t divisor = denominator < 0 ? -static_cast<std::int64_t>(denominator) : denominator;
    const std::int64_t rounded = (magnitude + divisor / 2) / divisor;
    if (rounded > INT32_MAX) return -1;
    return static_cast<int>(negative ? -rounded : rounded);
}

// Pixels of one DPI. A DPI the system could not tell (0 or less) counts as the classic 96.
class DpiScale {
public:
    constexpr DpiScale() = default;
    constexpr explicit DpiScale(int dpi) : dpi_(dpi > 0 ? dpi : ClassicDpi) {}

    constexpr int dpi() const { return dpi_; }
    constexpr int toPixels(int twips) const { return mulDivRounded(twips, dpi_, TwipsPerInch); }
    constexpr int toTwips(int pixels) const { return mulDivRounded(pixels, TwipsPerInch, dpi_); }
    // A length the system measured at another DPI (a font's height read for the system's
    // DPI, say), at this one.
    constexpr int fromDpi(int length, int measuredAt) const {
        return measuredAt > 0 ? mulDivRounded(length, dpi_, measuredAt) : length;
    }

    friend constexpr bool operator==(DpiScale, DpiScale) = default;

private:
    int dpi_ = ClassicDpi;
};

}  // namespace sorvane::ui
