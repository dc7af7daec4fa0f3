#include "platform/text.h"

#include <cctype>

namespace sorvane::text {
namespace {

// Folds the text in place of a copy; folding keeps byte lengths. Letters outside ASCII are
// the Latin-1 ones, two bytes in UTF-8 (0xC3 and one more).
std::string fold(std::string_view s, bool upper) {
    std::string out(s);
    const std::size_t size = out.size();
    for (std::size_t i = 0; i < size; ++i) {
        auto c = static_cast<unsigned char>(out[i]);
        if (c < 0x80) {
            // The classic runtime's "C" rules: only A-Z and a-z change.
            if (!upper && c >= 'A' && c <= 'Z') out[i] = static_cast<char>(c + 0x20);
            if (upper && c >= 'a' && c <= 'z') out[i] = static_cast<char>(c - 0x20);
            continue;
        }
        if (c != 0xC3 || i + 1 >= size) continue;
        auto d = static_cast<unsigned char>(out[++i]);
        // U+00C0..U+00DE and U+00E0..U+00FE, except the multiplication and division signs.
        if (!upper && d >= 0x80 && d <= 0x9E && d != 0x97) d = static_cast<unsigned char>(d + 0x20);
        if (upper && d >= 0xA0 && d <= 0xBE && d != 0xB7) d = static_cast<unsigned char>(d - 0x20);
        out[i] = static_cast<char>(d);
    }
    return out;
}

}  // namespace

std::string trim(std::string_view s) {
    const auto first = s.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    const auto last = s.find_last_not_of(' ');
    return std::string(s.substr(first, last - first + 1));
}

std::string toLower(std::string_view s) { return fold(s, false); }
std::string toUpper(std::string_view s) { return fold(s, true); }

bool equalsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && toLower(a) == toLower(b);
}

bool startsWithNoCase(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && equalsNoCase(s.substr(0, prefix.size()), prefix);
}

std::size_t findNoCase(std::string_view haystack, std::string_view needle, std::size_t from) {
    // Folding keeps byte lengths, so positions in the folded text are positions in the original.
    return toLower(haystack).find(toLower(needle), from);
}

bool containsNoCase(std::string_view haystack, std::string_view needle) {
    return findNoCase(haystack, needle) != std::string::npos;
}

std::string replaceAll(std::string_view s, std::string_view from, std::string_view to) {
    if (from.empty()) return std::string(s);
    std::string out;
    std::size_t pos = 0;
    for (auto hit = s.find(from); hit != std::string_view::npos; hit = s.find(from, pos)) {
        out.append(s.substr(pos, hit - pos)).append(to);
        pos = hit + from.size();
    }
    out.append(s.substr(pos));
    return out;
}

std::string replaceAllNoCase(std::string_view s, std::string_view from, std::string_view to) {
    if (from.empty()) return std::string(s);
    const auto lowered = toLower(s);
    const auto needle = toLower(from);
    std::string out;
    std::size_t pos = 0;
    for (auto hit = lowered.find(needle); hit != std::string::npos; hit = lowered.find(needle, pos)) {
        out.append(s.substr(pos, hit - pos)).append(to);
        pos = hit + needle.size();
    }
    out.append(s.substr(pos));
    return out;
}

std::vector<std::string> split(std::string_view s, std::string_view separator) {
    std::vector<std::string> pieces;
    if (separator.empty()) {
        pieces.emplace_back(s);
        return pieces;
    }
    std::size_t pos = 0;
    for (auto hit = s.find(separator); hit != std::string_view::npos; hit = s.find(separator, pos)) {
        pieces.emplace_back(s.substr(pos, hit - pos));
        pos = hit + separator.size();
    }
    pieces.emplace_back(s.substr(pos));
    return pieces;
}

std::string join(const std::vector<std::string>& pieces, std::string_view separator) {
    std::string out;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (i != 0) out.append(separator);
        out.append(pieces[i]);
    }
    return out;
}

std::vector<std::string> lines(std::string_view content) {
    std::vector<std::string> out;
    std::size_t start = 0;
    for (std::size_t i = 0; i < content.size(); ++i) {
        if (content[i] != '\r' && content[i] != '\n') continue;
        out.emplace_back(content.substr(start, i - start));
        if (content[i] == '\r' && i + 1 < content.size() && content[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < content.size()) out.emplace_back(content.substr(start));
    return out;
}

std::int64_t numericValue(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
    std::int64_t value = 0;
    for (; i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])); ++i) {
        if (value > (INT64_MAX - 9) / 10) break;  // saturate rather than overflow
        value = value * 10 + (s[i] - '0');
    }
    return negative ? -value : value;
}

bool booleanValue(std::string_view s, bool fallback) {
    const auto t = trim(s);
    if (equalsNoCase(t, "true")) return true;
    if (equalsNoCase(t, "false")) return false;
    if (!t.empty() && (std::isdigit(static_cast<unsigned char>(t[0])) || t[0] == '-' || t[0] == '+'))
        return numericValue(t) != 0;
    return fallback;
}

std::string toHex(std::string_view bytes) {
    static constexpr char Digits[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const unsigned char c : bytes) {
        out.push_back(Digits[c >> 4]);
        out.push_back(Digits[c & 0xF]);
    }
    return out;
}

std::optional<std::string> fromHex(std::string_view digits) {
    const auto value = [](char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    if (digits.size() % 2 != 0) return std::nullopt;
    std::string out;
    out.reserve(digits.size() / 2);
    for (std::size_t i = 0; i < digits.size(); i += 2) {
        const int high = value(digits[i]), low = value(digits[i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        out.push_back(static_cast<char>(high * 16 + low));
    }
    return out;
}

}  // namespace sorvane::text
