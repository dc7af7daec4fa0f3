#include "tests/fakes/fake_locale.h"

#include <cctype>
#include <string>
#include <vector>

#include "platform/calendar.h"
#include "platform/text.h"
#include "tests/fakes/fake_text.h"

namespace sorvane::fakes {

using platform::DateTime;

namespace {

int daysInMonth(int y, int m) {
    static constexpr int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (m == 2 && ((y % 4 == 0 && y % 100 != 0) || y % 400 == 0)) return 29;
    return days[m - 1];
}

bool isZeroDate(const DateTime& v) { return v.year == 1899 && v.month == 12 && v.day == 30; }

bool isMidnight(const DateTime& v) { return v.hour == 0 && v.minute == 0 && v.second == 0; }

std::string two(int n) {
    std::string out(2, '0');
    out[0] = static_cast<char>('0' + n / 10 % 10);
    out[1] = static_cast<char>('0' + n % 10);
    return out;
}

int monthFromWord(const std::string& word) {
    static const char* const names[] = {"JANUARY", "FEBRUARY", "MARCH",     "APRIL",   "MAY",      "JUNE",
                                        "JULY",    "AUGUST",   "SEPTEMBER", "OCTOBER", "NOVEMBER", "DECEMBER"};
    for (int i = 0; i < 12; ++i) {
        const std::string full = names[i];
        if (word == full || (word.size() >= 3 && full.rfind(word, 0) == 0)) return i + 1;
    }
    return 0;
}

struct Token {
    enum Kind { Number, Word, Colon } kind;
    std::string text;
    int value = 0;
};

}  // namespace

DateTime FakeLocale::now() {
    if (follow_) {
        const std::uint64_t elapsed = follow_();
        if (elapsed > followed_) advance(elapsed - followed_);
        followed_ = elapsed;
    }
    return now_;
}

DateTime FakeLocale::now(std::uint32_t& millisecond) {
    const DateTime value = now();
    millisecond = static_cast<std::uint32_t>(subSecondMs_);
    return value;
}

void FakeLocale::followClock(std::function<std::uint64_t()> elapsedMs) {
    follow_ = std::move(elapsedMs);
    followed_ = follow_ ? follow_() : 0;
}

std::string FakeLocale::weekdayName(const DateTime& v) {
    return weekdays_[static_cast<std::size_t>(calendar::WeekdayIndex(v))];
}

std::uint64_t FakeLocale::tickMs() {
    const auto answer = tick_;
    tick_ += tickStep_;
    return answer;
}

void FakeLocale::advance(std::uint64_t ms) {
    tick_ += ms;
    subSecondMs_ += ms;
    const auto seconds = static_cast<std::int64_t>(subSecondMs_ / 1000);
    subSecondMs_ %= 1000;
    std::int64_t total = calendar::DaysFromCivil(now_.year, static_cast<unsigned>(now_.month), static_cast<unsigned>(now_.day)) *
                             86400 +
                         now_.hour * 3600 + now_.minute * 60 + now_.second + seconds;
    std::int64_t days = total / 86400;
    std::int64_t rest = total % 86400;
    calendar::CivilFromDays(days, now_.year, now_.month, now_.day);
    now_.hour = static_cast<int>(rest / 3600);
    now_.minute = static_cast<int>(rest / 60 % 60);
    now_.second = static_cast<int>(rest % 60);
}

std::string FakeLocale::formatDate(const DateTime& v) {
    return std::to_string(v.month) + "/" + std::to_string(v.day) + "/" + std::to_string(v.year);
}

std::string FakeLocale::formatTime(const DateTime& v) {
    const int hour12 = v.hour % 12 == 0 ? 12 : v.hour % 12;
    return std::to_string(hour12) + ":" + two(v.minute) + ":" + two(v.second) + (v.hour < 12 ? " AM" : " PM");
}

std::string FakeLocale::formatDateTime(const DateTime& v) {
    if (isZeroDate(v) && !isMidnight(v)) return formatTime(v);
    if (isMidnight(v)) return formatDate(v);
    return formatDate(v) + " " + formatTime(v);
}

std::optional<DateTime> FakeLocale::parseDateTime(std::string_view input) {
    std::vector<Token> tokens;
    const std::string s = text::toUpper(input);
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (std::isdigit(c)) {
            std::size_t j = i;
            while (j < s.size() && std::isdigit(static_cast<unsigned char>(s[j]))) ++j;
            if (j - i > 4) return std::nullopt;
            tokens.push_back({Token::Number, s.substr(i, j - i), std::stoi(s.substr(i, j - i))});
            i = j;
        } else if (std::isalpha(c)) {
            std::size_t j = i;
            while (j < s.size() && std::isalpha(static_cast<unsigned char>(s[j]))) ++j;
            tokens.push_back({Token::Word, s.substr(i, j - i)});
            i = j;
        } else if (c == ':') {
            tokens.push_back({Token::Colon, ":"});
            ++i;
        } else if (c == ' ' || c == '\t' || c == '/' || c == '-' || c == ',' || c == '.') {
            ++i;
        } else {
            return std::nullopt;
        }
    }

    DateTime result{1899, 12, 30, 0, 0, 0};
    bool hasTime = false;
    int meridiem = 0;  // 1 AM, 2 PM
    std::vector<Token> dateTokens;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const Token& t = tokens[i];
        if (t.kind == Token::Word && (t.text == "AM" || t.text == "A" || t.text == "PM" || t.text == "P")) {
            if (meridiem != 0) return std::nullopt;
            meridiem = t.text[0] == 'A' ? 1 : 2;
            // "3 PM": a lone number right before the marker is the hour.
            if (!hasTime && !dateTokens.empty() && dateTokens.back().kind == Token::Number && i > 0 &&
                tokens[i - 1].kind == Token::Number) {
                result.hour = dateTokens.back().value;
                dateTokens.pop_back();
                hasTime = true;
            }
            continue;
        }
        if (t.kind == Token::Colon) {
            if (hasTime || dateTokens.empty() || dateTokens.back().kind != Token::Number) return std::nullopt;
            if (i + 1 >= tokens.size() || tokens[i + 1].kind != Token::Number) return std::nullopt;
            result.hour = dateTokens.back().value;
            dateTokens.pop_back();
            result.minute = tokens[i + 1].value;
            i += 1;
            if (i + 2 < tokens.size() && tokens[i + 1].kind == Token::Colon) {
                if (tokens[i + 2].kind != Token::Number) return std::nullopt;
                result.second = tokens[i + 2].value;
                i += 2;
            }
            hasTime = true;
            continue;
        }
        dateTokens.push_back(t);
    }
    if (hasTime) {
        if (meridiem != 0) {
            if (result.hour < 1 || result.hour > 12) return std::nullopt;
            result.hour = result.hour % 12 + (meridiem == 2 ? 12 : 0);
        }
        if (result.hour > 23 || result.minute > 59 || result.second > 59) return std::nullopt;
    } else if (meridiem != 0) {
        return std::nullopt;
    }

    int month = 0;
    std::vector<Token> numbers;
    for (const auto& t : dateTokens) {
        if (t.kind == Token::Word) {
            if (month != 0) return std::nullopt;
            month = monthFromWord(t.text);
            if (month == 0) return std::nullopt;
        } else {
            numbers.push_back(t);
        }
    }
    auto fullYear = [](const Token& t) {
        if (t.text.size() > 2) return t.value;
        return t.value < 30 ? 2000 + t.value : 1900 + t.value;
    };
    int year = 0;
    int day = 0;
    if (month != 0) {
        if (numbers.size() == 2) {
            day = numbers[0].value;
            year = fullYear(numbers[1]);
        } else if (numbers.size() == 1 && numbers[0].text.size() <= 2 && numbers[0].value <= 31) {
            day = numbers[0].value;
            year = now_.year;
        } else if (numbers.size() == 1) {
            day = 1;
            year = fullYear(numbers[0]);
        } else {
            return std::nullopt;
        }
    } else if (numbers.size() == 3) {
        if (numbers[0].text.size() > 2) {
            year = numbers[0].value;
            month = numbers[1].value;
            day = numbers[2].value;
        } else {
            month = numbers[0].value;
            day = numbers[1].value;
            year = fullYear(numbers[2]);
            // A first number that cannot be a month is taken as the day.
            if (month > 12 && day <= 12) std::swap(month, day);
        }
    } else if (numbers.size() == 2) {
        month = numbers[0].value;
        day = numbers[1].value;
        year = now_.year;
        if (month > 12 && day <= 12) std::swap(month, day);
    } else if (!numbers.empty() || !hasTime) {
        return std::nullopt;
    }
    if (month != 0) {
        if (month < 1 || month > 12 || year < 100 || year > 9999 || day < 1 || day > daysInMonth(year, month)) {
            return std::nullopt;
        }
        result.year = year;
        result.month = month;
        result.day = day;
    }
    return result;
}

std::string FakeLocale::formatWholeNumber(std::int64_t value) {
    const bool negative = value < 0;
    std::string digits = std::to_string(value);
    if (negative) digits.erase(0, 1);
    std::string out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return negative ? "-" + out : out;
}

std::string FakeLocale::toAnsi(std::string_view utf8) { return toCp1252(utf8); }

std::string FakeLocale::fromAnsi(std::string_view ansi) {
    if (!ansiWithoutHighBytes_) return fromCp1252(ansi);
    std::string out(ansi);
    for (char& ch : out)
        if (static_cast<unsigned char>(ch) >= 0x80) ch = '?';
    return out;
}

}  // namespace sorvane::fakes
