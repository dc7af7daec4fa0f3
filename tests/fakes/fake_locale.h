#pragma once
#include <array>
#include <functional>

#include "platform/locale.h"

namespace sorvane::fakes {

// English (United States) rendering on a clock the test sets: short date "M/D/YYYY",
// long time "h:mm:ss AM", thousands separator ",", ANSI code page Windows-1252.
class FakeLocale : public platform::Locale {
public:
    platform::DateTime now() override;
    platform::DateTime now(std::uint32_t& millisecond) override;
    std::uint64_t tickMs() override;
    std::string formatDateTime(const platform::DateTime& value) override;
    std::string formatDate(const platform::DateTime& value) override;
    std::string formatTime(const platform::DateTime& value) override;
    // English names unless the test gives others (Monday first).
    std::string weekdayName(const platform::DateTime& value) override;
    void setWeekdayNames(std::array<std::string, 7> names) { weekdays_ = std::move(names); }
    std::optional<platform::DateTime> parseDateTime(std::string_view text) override;
    std::string formatWholeNumber(std::int64_t value) override;
    std::string toAnsi(std::string_view utf8) override;
    std::string fromAnsi(std::string_view ansi) override;

    // A code page that has no character for any byte above 0x7F, as a double-byte code page
    // has none for most UTF-8 sequences: fromAnsi then turns each such byte into "?".
    void setAnsiWithoutHighBytes(bool on) { ansiWithoutHighBytes_ = on; }

    void setNow(platform::DateTime value) { now_ = value; }
    void setTick(std::uint64_t ms) { tick_ = ms; }
    // Each tickMs() call moves the tick on by this much after answering (0: stands still).
    void setTickStep(std::uint64_t ms) { tickStep_ = ms; }
    // Moves both the clock and the tick forward.
    void advance(std::uint64_t ms);
    // From now on the clock also moves with `elapsedMs` (such as a headless host's virtual
    // clock): every reading first advances by what it gained since the last reading.
    void followClock(std::function<std::uint64_t()> elapsedMs);

private:
    platform::DateTime now_{2024, 5, 14, 9, 30, 0};
    std::uint64_t tick_ = 1'000'000;
    std::uint64_t tickStep_ = 0;
    bool ansiWithoutHighBytes_ = false;
    std::uint64_t subSecondMs_ = 0;
    std::array<std::string, 7> weekdays_{"Monday", "Tuesday", "Wednesday", "Thursday",
                                         "Friday", "Saturday", "Sunday"};
    std::function<std::uint64_t()> follow_;
    std::uint64_t followed_ = 0;
};

}  // namespace sorvane::fakes
