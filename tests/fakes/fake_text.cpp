#include "tests/fakes/fake_text.h"

#include <array>

namespace sorvane::fakes {
namespace {

// Decodes one UTF-8 sequence at s[i]; a malformed one gives U+FFFD and one byte.
char32_t decode(std::string_view s, std::size_t& i) {
    const auto c = static_cast<unsigned char>(s[i]);
    int extra = 0;
    char32_t cp = 0;
    if (c < 0x80) {
        ++i;
        return c;
    }
    if ((c & 0xE0) == 0xC0) {
        extra = 1;
        cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
        extra = 2;
        cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
        extra = 3;
        cp = c & 0x07;
    } else {
        ++i;
        return 0xFFFD;
    }
    if (i + static_cast<std::size_t>(extra) >= s.size()) {
        ++i;
        return 0xFFFD;
    }
    for (int k = 1; k <= extra; ++k) {
        const auto d = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
        if ((d & 0xC0) != 0x80) {
            ++i;
            return 0xFFFD;
        }
        cp = (cp << 6) | (d & 0x3F);
    }
    i += static_cast<std::size_t>(extra) + 1;
    return cp;
}

void encode(char32_t cp, std::string& out) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Bytes 0x80..0x9F of Windows-1252; the five unassigned ones map to the C1 controls as Windows does.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

}  // namespace

std::vector<std::uint8_t> utf16Bytes(std::string_view utf8, bool closingNul) {
    std::vector<std::uint8_t> out;
    auto put = [&out](char32_t unit) {
        out.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        out.push_back(static_cast<std::uint8_t>((unit >> 8) & 0xFF));
    };
    for (std::size_t i = 0; i < utf8.size();) {
        const char32_t cp = decode(utf8, i);
        if (cp >= 0x10000) {
            put(0xD800 + ((cp - 0x10000) >> 10));
            put(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            put(cp);
        }
    }
    if (closingNul) put(0);
    return out;
}

std::string utf8FromUtf16Bytes(const std::vector<std::uint8_t>& bytes) {
    std::string out;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        char32_t unit = static_cast<char32_t>(bytes[i] | (bytes[i + 1] << 8));
        if (unit == 0) break;
        if (unit >= 0xD800 && unit < 0xDC00 && i + 3 < bytes.size()) {
            const char32_t low = static_cast<char32_t>(bytes[i + 2] | (bytes[i + 3] << 8));
            if (low >= 0xDC00 && low < 0xE000) {
                unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            }
        }
        encode(unit, out);
    }
    return out;
}

std::string toCp1252(std::string_view utf8) {
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const char32_t cp = decode(utf8, i);
        if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
            out += static_cast<char>(cp);
            continue;
        }
        char mapped = '?';
        for (std::size_t k = 0; k < kHigh.size(); ++k) {
            if (kHigh[k] == cp) mapped = static_cast<char>(0x80 + k);
        }
        out += mapped;
    }
    return out;
}

std::string fromCp1252(std::string_view ansi) {
    std::string out;
    for (const char ch : ansi) {
        const auto c = static_cast<unsigned char>(ch);
        encode(c >= 0x80 && c < 0xA0 ? kHigh[c - 0x80] : c, out);
    }
    return out;
}

}  // namespace sorvane::fakes
