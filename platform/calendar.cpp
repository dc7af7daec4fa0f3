#include "platform/calendar.h"

namespace sorvane::calendar {

using platform::DateTime;

namespace {

std::int64_t secondsOf(const DateTime& v) {
    return DaysFromCivil(v.year, static_cast<unsigned>(v.month), static_cast<unsigned>(v.day)) * 86400 +
           v.hour * 3600 + v.minute * 60 + v.second;
}

}  // namespace

bool IsValidDateTime(const DateTime& v, int firstYear) {
    static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (v.year < firstYear || v.year > 9999 || v.month < 1 || v.month > 12 || v.day < 1) return false;
    const bool leap = (v.year % 4 == 0 && v.year % 100 != 0) || v.year % 400 == 0;
    const int last = days[v.month - 1] + (v.month == 2 && leap ? 1 : 0);
    return v.day <= last && v.hour >= 0 && v.hour < 24 && v.minute >= 0 && v.minute < 60 && v.second >= 0 &&
           v.second < 60;
}

std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, int& y, int& m, int& d) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2));
}

int WeekdayIndex(const DateTime& value) {
    // 1970-01-01 was a Thursday, index 3.
    const std::int64_t days =
        DaysFromCivil(value.year, static_cast<unsigned>(value.month), static_cast<unsigned>(value.day));
    return static_cast<int>(((days % 7) + 7 + 3) % 7);
}

DateTime AddSeconds(const DateTime& value, std::int64_t seconds) {
    const std::int64_t total = secondsOf(value) + seconds;
    std::int64_t days = total / 86400;
    std::int64_t rest = total % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    DateTime out;
    CivilFromDays(days, out.year, out.month, out.day);
    out.hour = static_cast<int>(rest / 3600);
    out.minute = static_cast<int>(rest / 60 % 60);
    out.second = static_cast<int>(rest % 60);
    return out;
}

std::int64_t SecondsBetween(const DateTime& from, const DateTime& to) { return secondsOf(to) - secondsOf(from); }

}  // namespace sorvane::calendar
