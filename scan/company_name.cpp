#include "scan/company_name.h"

#include <algorithm>

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

std::optional<std::uint64_t> FindInFile(platform::FileSystem& files, std::string_view path, std::string_view needle,
                                        std::uint64_t from) {
    if (needle.empty()) return from;
    std::string chunk;
    std::uint64_t offset = from;
    for (;;) {
        if (!files.readRange(path, offset, Window, chunk).ok()) return std::nullopt;
        auto hit = chunk.find(needle);
        if (hit != std::string::npos) return offset + hit;
        if (chunk.size() < Window) return std::nullopt;
        // Overlap the windows so that a needle across their border is still found.
        offset += chunk.size() - (needle.size() - 1);
    }
}

std::string CompanyNameOf(platform::FileSystem& files, std::string_view path) {
    const std::string wideKey = wide("CompanyName");
    std::optional<std::uint64_t> key;
    bool wideForm = true;
    if (auto section = FindInFile(files, path, wide("StringFileInfo"), 0))
        key = FindInFile(files, path, wideKey, *section);
    std::uint64_t valueStart = 0;
    if (key) {
        valueStart = *key + 26;
    } else {
        wideForm = false;
        auto section = FindInFile(files, path, "StringFileInfo", 0);
        key = FindInFile(files, path, "CompanyName", section.value_or(0));
        if (!key) return {};
        valueStart = *key + 12;
    }
    // A version resource is far smaller than this bound; a value running past it is garbage.
    std::string bytes;
    if (!files.readRange(path, valueStart, limits::MaxVersionResource, bytes).ok()) return {};
    return companyFromValue(bytes, wideForm);
}

bool IsMicrosoftCompany(std::string_view company) {
    return text::equalsNoCase(text::trim(company), "Microsoft Corporation");
}

}  // namespace sorvane::scan
