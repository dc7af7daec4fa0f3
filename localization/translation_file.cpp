#include "localization/translation_file.h"

#include "platform/limits.h"
#include "platform/text.h"

namespace sorvane::localization {

namespace {

// The text between two markers inside `text`, or nothing when either is missing.
std::optional<std::string_view> between(std::string_view text, std::string_view open, std::string_view close) {
    const std::size_t start = text::findNoCase(text, open);
    if (start == std::string_view::npos) return std::nullopt;
    const std::size_t from = start + open.size();
    const std::size_t end = text::findNoCase(text, close, from);
    if (end == std::string_view::npos) return std::nullopt;
    return text.substr(from, end - from);
}

// Length of the valid UTF-8 sequence at the start of `bytes`, or 0 when it is not one.
std::size_t utf8SequenceLength(std::string_view bytes) {
    const auto lead = static_cast<unsigned char>(bytes[0]);
    if (lead < 0x80) return 1;
    std::size_t length = 0;
    std::uint32_t code = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0Fu;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07u;
    } else {
        return 0;
    }
    if (bytes.size() < length) return 0;
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(bytes[i]);
        if ((next & 0xC0u) != 0x80u) return 0;
        code = (code << 6) | (next & 0x3Fu);
    }
    // Overlong forms, surrogates and values beyond the last code point are no characters.
    if ((length == 3 && code < 0x800) || (length == 4 && (code < 0x10000 || code > 0x10FFFF)) ||
        (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return length;
}

}  // namespace

std::vector<LanguageGroup> ReadLanguageGroups(std::string_view text) {
    static constexpr std::string_view GroupOpen = "<LANGUAGE_GROUP";
    static constexpr std::string_view GroupClose = "</LANGUAGE_GROUP>";
    std::vector<LanguageGroup> groups;
    std::size_t position = 0;
    while (position < text.size()) {
        const std::size_t start = text::findNoCase(text, GroupOpen, position);
        if (start == std::string_view::npos) break;
        const std::size_t end = text::findNoCase(text, GroupClose, start);
        if (end == std::string_view::npos) break;
        const std::string_view group = text.substr(start, end - start);
        position = end + GroupClose.size();
        const auto name = between(group, "<LANGUAGE_NAME>", "</LANGUAGE_NAME>");
        if (!name) continue;
        LanguageGroup entry;
        entry.name = std::string(*name);
        if (const auto items = between(group, "<TRANSLATION_ITEMS>", "</TRANSLATION_ITEMS>")) {
            entry.items = std::string(*items);
            entry.hasItems = true;
        }
        groups.push_back(std::move(entry));
    }
    return groups;
}

std::optional<std::string> FindLanguageItems(std::string_view text, std::string_view name) {
    for (auto& group : ReadLanguageGroups(text))
        if (group.hasItems && text::equalsNoCase(group.name, name)) return std::move(group.items);
    return std::nullopt;
}

std::vector<std::string> SplitItemLines(std::string_view items) {
    // A file saved by an editor that ends lines with LF alone reads as the one it writes with
    // CR LF: split at LF and drop the CR before it.
    auto pieces = text::split(items, "\n");
    for (auto& piece : pieces)
        if (!piece.empty() && piece.back() == '\r') piece.pop_back();
    return pieces;
}

std::string DecodeUtf8(std::string_view bytes) {
    // A file saved twice by a careless editor starts with several marks; none of them is text, and
    // dropping them all keeps decoding stable when decoded text is stored and read again.
    while (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    std::string result;
    result.reserve(bytes.size());
    while (!bytes.empty()) {
        const std::size_t length = utf8SequenceLength(bytes);
        if (length == 0) {
            result += "\xEF\xBF\xBD";
            bytes.remove_prefix(1);
            continue;
        }
        result.append(bytes.substr(0, length));
        bytes.remove_prefix(length);
    }
    return result;
}

std::string CutText(std::string_view text, std::size_t limit) {
    if (text.size() <= limit) return std::string(text);
    std::size_t end = limit;
    // Step back over continuation bytes so the cut falls between characters.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0u) == 0x80u) --end;
    return std::string(text.substr(0, end));
}

bool LangFileExists(platform::FileSystem& files, std::string_view path) {
    if (path.empty()) return false;
    const auto entry = files.lookup(path);
    if (!entry || entry->isFolder()) return false;
    return text::equalsNoCase(entry->name, LangTrimPath(path));
}

std::string LangTrimPath(std::string_view path) {
    const std::size_t slash = path.rfind('\\');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::optional<std::string> ReadTranslationFile(platform::FileSystem& files, std::string_view path) {
    const auto entry = files.lookup(path);
    if (!entry || entry->isFolder() || entry->size > limits::MaxTranslationFile) return std::nullopt;
    std::string bytes;
    if (!files.readFile(path, bytes).ok() || bytes.size() > limits::MaxTranslationFile) return std::nullopt;
    return DecodeUtf8(bytes);
}

platform::Status WriteReplacing(platform::FileSystem& files, std::string_view path, std::string_view bytes) {
    const std::string beside = std::string(path) + ".new";
    if (auto written = files.writeFile(beside, bytes); !written.ok()) {
        (void)files.deleteFile(beside);
        return written;
    }
    auto moved = files.replaceFile(beside, path);
    if (!moved.ok()) (void)files.deleteFile(beside);
    return moved;
}

}  // namespace sorvane::localization
