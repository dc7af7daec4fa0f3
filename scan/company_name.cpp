#include "scan/company_name.h"

#include <algorithm>
#include <utility>

#include "platform/limits.h"
#include "platform/text.h"

namespace sorvane::scan {

namespace {

// Where a value starts, counted from the first byte of its key. A String entry of a 32-bit
// version resource is three 16-bit words (length, value length, type), the key in UTF-16
// with its terminator, then padding to a four-byte boundary: the entry starts on such a
// boundary, so "CompanyName" (22 bytes) and its terminator (2) end 6 + 24 = 30 bytes in,
// and 2 bytes of padding put the value at 32, 26 bytes after the key. The 16-bit form has two
// words before its single-byte key: 4 + 11 + 1 = 16 is already aligned, so the value follows
// the key's terminator, 12 bytes after the key.
constexpr std::uint64_t WideValueAfterKey = 2 * (sizeof("CompanyName") - 1) + 2 + 2;
constexpr std::uint64_t NarrowValueAfterKey = (sizeof("CompanyName") - 1) + 1;
static_assert(WideValueAfterKey == 26 && NarrowValueAfterKey == 12);

std::string wide(std::string_view ascii) {
    std::string out;
    for (char c : ascii) {
        out.push_back(c);
        out.push_back('\0');
    }
    return out;
}

// The company text from the bytes that follow the key, in the key's form.
std::string companyFromValue(std::string_view bytes, bool wideForm) {
    auto end = bytes.find(std::string_view("\0\0\0", 3));
    std::string_view value = bytes.substr(0, end);
    // The value ends inside the zero bytes after the next key's last letter, so the wide key
    // is looked for without its own last zero byte.
    std::string nextKey = wideForm ? wide("FileDescription") : std::string("FileDescription");
    if (wideForm) nextKey.pop_back();
    if (value.find(nextKey) != std::string_view::npos) {
        // An empty company entry ran into the next one: keep only its printable start.
        std::string_view ahead = bytes.substr(0, 255);
        auto cut = std::find_if(ahead.begin(), ahead.end(), [](char c) { return static_cast<unsigned char>(c) < 32; });
        value = ahead.substr(0, static_cast<std::size_t>(cut - ahead.begin()));
    }
    std::string company;
    for (char c : value)
        if (c != '\0') company.push_back(c);
    return company;
}

}  // namespace

namespace {

// The first place of one needle at or after a start, found as the file streams past.
struct Search {
    explicit Search(std::string text, bool fromStart = true) : needle(std::move(text)), armed(fromStart) {}
    std::string needle;
    std::uint64_t from = 0;
    bool armed;  // false while its start is not known yet
    std::optional<std::uint64_t> at;

    // `window` holds the file's bytes from `offset`.
    void look(std::string_view window, std::uint64_t offset) {
        if (!armed || at) return;
        const std::size_t start = from > offset ? static_cast<std::size_t>(from - offset) : 0;
        if (start >= window.size()) return;
        if (const auto hit = window.find(needle, start); hit != std::string_view::npos) at = offset + hit;
    }
};

// The bytes of a value from where it starts, kept as the file streams past.
struct Capture {
    std::optional<std::uint64_t> start;
    std::string bytes;
    bool full() const { return bytes.size() >= limits::MaxVersionResource; }
    void take(std::string_view window, std::uint64_t offset) {
        if (!start || full()) return;
        const std::uint64_t next = *start + bytes.size();  // the first byte not kept yet
        if (next < offset || next >= offset + window.size()) return;
        const auto at = static_cast<std::size_t>(next - offset);
        bytes.append(window.substr(at, std::min(window.size() - at, limits::MaxVersionResource - bytes.size())));
    }
};

}  // namespace

std::string CompanyNameOf(platform::FileSystem& files, std::string_view path, std::size_t readWindow) {
    // One pass over the file answers every search: the wide key after the wide section, else
    // the narrow key after the narrow section (or from the start when there is no section).
    Search wideSection(wide("StringFileInfo"));
    Search wideKey(wide("CompanyName"), false);
    Search narrowSection("StringFileInfo");
    Search narrowKeyAfterSection("CompanyName", false);
    Search narrowKeyAnywhere("CompanyName");
    Capture wideValue, narrowValueAfterSection, narrowValueAnywhere;

    // Each window starts with the end of the one before, so that a needle across the border is found.
    const std::size_t overlap = wideSection.needle.size() - 1;
    const std::size_t chunkSize = std::max(readWindow, overlap + 1);
    std::string window;
    std::string chunk;
    std::uint64_t windowOffset = 0;  // where `window` starts in the file
    std::uint64_t readOffset = 0;    // the first byte not read yet
    for (;;) {
        if (!files.readRange(path, readOffset, chunkSize, chunk).ok()) return {};
        window.append(chunk);
        wideSection.look(window, windowOffset);
        if (wideSection.at && !wideKey.armed) {
            wideKey.armed = true;
            wideKey.from = *wideSection.at;
        }
        wideKey.look(window, windowOffset);
        narrowSection.look(window, windowOffset);
        if (narrowSection.at && !narrowKeyAfterSection.armed) {
            narrowKeyAfterSection.armed = true;
            narrowKeyAfterSection.from = *narrowSection.at;
        }
        narrowKeyAfterSection.look(window, windowOffset);
        narrowKeyAnywhere.look(window, windowOffset);
        if (wideKey.at && !wideValue.start) wideValue.start = *wideKey.at + WideValueAfterKey;
        if (narrowKeyAfterSection.at && !narrowValueAfterSection.start)
            narrowValueAfterSection.start = *narrowKeyAfterSection.at + NarrowValueAfterKey;
        if (narrowKeyAnywhere.at && !narrowValueAnywhere.start) narrowValueAnywhere.start = *narrowKeyAnywhere.at + NarrowValueAfterKey;
        for (auto* value : {&wideValue, &narrowValueAfterSection, &narrowValueAnywhere}) value->take(window, windowOffset);

        readOffset += chunk.size();
        const bool end = chunk.size() < chunkSize;
        // The wide key decides as soon as its value is in: nothing later can change the answer.
        if (wideValue.start && (wideValue.full() || end)) break;
        if (end) break;
        if (window.size() > overlap) {
            windowOffset += window.size() - overlap;
            window.erase(0, window.size() - overlap);
        }
    }
    if (wideValue.start) return companyFromValue(wideValue.bytes, true);
    const Capture& narrow = narrowSection.at ? narrowValueAfterSection : narrowValueAnywhere;
    if (!narrow.start) return {};
    return companyFromValue(narrow.bytes, false);
}

bool IsMicrosoftCompany(std::string_view company) {
    return text::equalsNoCase(text::trim(company), "Microsoft Corporation");
}

}  // namespace sorvane::scan
