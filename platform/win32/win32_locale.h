#pragma once
#include "platform/locale.h"

namespace sorvane::platform::win32 {

// Clock and text through the system: dates through the automation runtime (oleaut32),
// which writes and reads them exactly as the classic runtime does.
class Win32Locale final : public Locale {
public:
    DateTime now() override;
    DateTime now(std::uint32_t& millisecond) override;
    std::uint64_t tickMs() override;
    std::string formatDateTime(const DateTime& value) override;
    std::string formatDate(const DateTime& value) override;
    std::string formatTime(const DateTime& value) override;
    std::string weekdayName(const DateTime& value) override;
    std::optional<DateTime> parseDateTime(std::string_view text) override;
    std::string formatWholeNumber(std::int64_t value) override;
    std::string toAnsi(std::string_view utf8) override;
    std::string fromAnsi(std::string_view ansi) override;
};

}  // namespace sorvane::platform::win32
