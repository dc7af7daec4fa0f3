#include "scan/company_name.h"

#include <algorithm>
#include <utility>

#include "platform/limits.h"
#include "platform/text.h"

namespace sorvane::scan {

namespace {

constexpr std::size_t Window = 1024 * 1024;

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

std::string CompanyNameOf(platform::FileSystem& files, std::string_view path) {
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
    std::string window;
    std::string chunk;
    std::uint64_t windowOffset = 0;  // where `window` starts in the file
    std::uint64_t readOffset = 0;    // the first byte not read yet
    for (;;) {
        if (!files.readRange(path, readOffset, Window, chunk).ok()) return {};
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
        if (wideKey.at && !wideValue.start) wideValue.start = *wideKey.at + 26;
        if (narrowKeyAfterSection.at && !narrowValueAfterSection.start)
            narrowValueAfterSection.start = *narrowKeyAfterSection.at + 12;
        if (narrowKeyAnywhere.at && !narrowValueAnywhere.start) narrowValueAnywhere.start = *narrowKeyAnywhere.at + 12;
        for (auto* value : {&wideValue, &narrowValueAfterSection, &narrowValueAnywhere}) value->take(window, windowOffset);

        readOffset += chunk.size();
        const bool end = chunk.size() < Window;
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
