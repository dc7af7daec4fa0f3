#include "definitions/records.h"

#include <array>
#include <cstdint>

#include "platform/text.h"

namespace sorvane::definitions {
namespace {

using platform::RootKey;

constexpr std::array<Hive, 6> hives{{
    {RootKey::ClassesRoot, "HKEY_CLASSES_ROOT"},
    {RootKey::CurrentUser, "HKEY_CURRENT_USER"},
    {RootKey::LocalMachine, "HKEY_LOCAL_MACHINE"},
    {RootKey::Users, "HKEY_USERS"},
    {RootKey::CurrentConfig, "HKEY_CURRENT_CONFIG"},
    {RootKey::DynData, "HKEY_DYN_DATA"},
}};

void explain(std::string* why, std::string_view reason) {
    if (why) *why = reason;
}

// Element `i` of a split, or empty when the split gave fewer pieces.
std::string piece(const std::vector<std::string>& pieces, std::size_t i) {
    return i < pieces.size() ? pieces[i] : std::string();
}

bool isDigits(std::string_view s) {
    if (s.empty()) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

std::string removeChars(std::string_view s, std::string_view unwanted) {
    std::string out;
    for (char c : s)
        if (unwanted.find(c) == std::string_view::npos) out += c;
    return out;
}

}  // namespace

std::optional<Hive> HiveFromCode(std::string_view code) {
    const auto digits = text::trim(code);
    if (!isDigits(digits)) return std::nullopt;
    const auto first = digits.find_first_not_of('0');
    if (first == std::string::npos) return hives[0];
    if (digits.size() - first != 1) return std::nullopt;
    const auto index = static_cast<std::size_t>(digits[first] - '0');
    if (index >= hives.size()) return std::nullopt;
    return hives[index];
}

std::string_view CurrentHiveName(RootKey root) {
    for (const auto& hive : hives)
        if (hive.root == root) return hive.name;
    return {};
}

std::string HiveHandleText(RootKey root) {
    return std::to_string(static_cast<std::int32_t>(static_cast<std::uint32_t>(root)));
}

std::optional<RootKey> HiveFromHandleText(std::string_view textValue) {
    const auto trimmed = text::trim(textValue);
    for (const auto& hive : hives)
        if (HiveHandleText(hive.root) == trimmed) return hive.root;
    return std::nullopt;
}

std::string RegistryDefinition::itemText() const { return std::string(hive.name) + "\\" + key + value; }
std::string RegistryDefinition::keyText() const { return std::string(hive.name) + "\\" + key; }

std::optional<ProcessDefinition> ParseProcessLine(std::string_view line, const PathMacros& macros, std::string* why) {
    if (line.find('=') == std::string_view::npos) {
        explain(why, "no \"=\": names no path");
        return std::nullopt;
    }
    const auto elements = text::split(line, "=");
    ProcessDefinition d;
    d.name = elements[0];
    const auto& rest = elements[1];
    if (const auto bar = rest.find('|'); bar != std::string::npos) {
        d.threat = rest.substr(0, bar);
        d.folder = rest.substr(bar + 1);
    } else {
        d.folder = rest;
    }
    d.path = CollapseBackslashes(macros.expand(d.folder) + "\\" + d.name);
    return d;
}

std::optional<RegistryDefinition> ParseRegistryLine(std::string_view line, const PathMacros& macros, std::string* why) {
    const auto cut = line.rfind('=');
    if (cut == std::string_view::npos) {
        explain(why, "no \"=\" before the threat name");
        return std::nullopt;
    }
    auto threatPart = text::trim(line.substr(cut + 1));
    const auto fields = text::split(macros.expandLocation(line.substr(0, cut)), "^");
    const auto code = piece(fields, 0);
    if (text::trim(code).empty()) {
        explain(why, "empty hive code");
        return std::nullopt;
    }
    const auto hive = HiveFromCode(code);
    if (!hive) {
        explain(why, "hive code \"" + code + "\" is not 0 to 5");
        return std::nullopt;
    }
    RegistryDefinition d{*hive, piece(fields, 1), CollapseBackslashes(piece(fields, 2)), {}, {}};
    // Without a key the definition would name the whole hive.
    if (text::trim(d.key).empty()) {
        explain(why, "no key below the hive");
        return std::nullopt;
    }
    if (const auto bar = threatPart.find('|'); bar != std::string::npos) {
        const auto notes = text::split(std::string_view(threatPart).substr(bar + 1), "|");
        d.note = notes[0];
        threatPart.resize(bar);
    }
    d.threat = threatPart;
    return d;
}

std::optional<FileDefinition> ParseFileLine(std::string_view line, const PathMacros& macros, std::string* why) {
    const auto pieces = text::split(line, "|");
    const auto elements = text::split(pieces[0], "=");
    FileDefinition d;
    d.name = text::trim(elements[0]);
    d.threat = piece(elements, 1);
    d.note = piece(pieces, 2);
    if (d.name.empty()) {
        explain(why, "no file name");
        return std::nullopt;
    }
    const auto written = piece(pieces, 1);
    d.folder = CollapseBackslashes(macros.expandLocation(written));
    // A folder that resolves to nothing must not turn into the current folder.
    if (d.folder.empty() && !text::trim(written).empty()) {
        explain(why, "folder \"" + written + "\" resolves to nothing");
        return std::nullopt;
    }
    d.path = d.folder.empty() ? d.name : CollapseBackslashes(d.folder + "\\" + d.name);
    return d;
}

std::optional<FolderDefinition> ParseFolderLine(std::string_view line, const PathMacros& macros, std::string* why) {
    if (line.find('|') == std::string_view::npos) {
        explain(why, "no \"|\" before the folder");
        return std::nullopt;
    }
    const auto pieces = text::split(line, "|");
    const auto elements = text::split(pieces[0], "=");
    FolderDefinition d;
    d.label = removeChars(elements[0], "\r\n\t");
    d.threat = piece(elements, 1);
    d.note = piece(pieces, 2);
    d.path = CollapseBackslashes(macros.expandLocation(pieces[1]));
    if (d.path.empty()) {
        explain(why, "folder resolves to nothing");
        return std::nullopt;
    }
    return d;
}

std::vector<std::string> CookiePatternList(const std::vector<std::string>& lines) {
    std::string joined;
    for (const auto& line : lines) joined.append(line).append("|");
    return text::split(joined, "|");
}

std::optional<std::string> SafeEntryText(std::string_view line, const PathMacros& macros, std::string* why) {
    if (line.find('|') == std::string_view::npos) {
        explain(why, "no \"|\" after the type");
        return std::nullopt;
    }
    const auto pieces = text::split(line, "|");
    const auto& type = pieces[0];
    const auto name = text::trim(text::split(piece(pieces, 1), "=")[0]);
    const auto location = CollapseBackslashes(macros.expandLocation(piece(pieces, 2)));

    std::string entry;
    if (type == "SFILE" || type == "SEXE" || type == "SDLL") {
        entry = location.empty() ? name : location;
    } else if (type == "SREG") {
        const auto parts = text::split(location, "^");
        const auto hive = HiveFromCode(parts[0]);
        if (!hive) {
            explain(why, "hive code \"" + parts[0] + "\" is not 0 to 5");
            return std::nullopt;
        }
        entry = std::string(hive->name) + "\\" + piece(parts, 1);
        if (parts.size() > 2) entry += "\\" + parts[2];
    } else if (type == "SDIR") {
        entry = location;
    } else {
        explain(why, "unknown type \"" + type + "\"");
        return std::nullopt;
    }
    return text::replaceAll(text::replaceAll(entry, "\\\\", "\\"), "//", "/");
}

}  // namespace sorvane::definitions
