#include "localization/translation_file.h"

#include "platform/limits.h"
#include "platform/text.h"

namespace sorvane::localization {

namespace {

// Text folded to lower case once, so that every marker search is one pass over it. Folding
// keeps byte lengths, so a position in the folded text is the same position in the original.
class FoldedText {
public:
    explicit FoldedText(std::string_view text) : original_(text), folded_(text::toLower(text)) {}
    // `marker` is written in lower case.
    std::size_t find(std::string_view marker, std::size_t from, std::size_t end) const {
        return std::string_view(folded_).substr(0, end).find(marker, from);
    }
    // The original text between two markers inside [from, end), or nothing when either is missing.
    std::optional<std::string_view> between(std::size_t from, std::size_t end, std::string_view open,
                                            std::string_view close) const {
        const std::size_t start = find(open, from, end);
        if (start == std::string_view::npos) return std::nullopt;
        const std::size_t inside = start + open.size();
        const std::size_t stop = find(close, inside, end);
        if (stop == std::string_view::npos) return std::nullopt;
        return original_.substr(inside, stop - inside);
    }
    std::size_t size() const { return folded_.size(); }

private:
    std::string_view original_;
    std::string folded_;
};

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
    static constexpr std::string_view GroupOpen = "<language_group";
    static constexpr std::string_view GroupClose = "</language_group>";
    const FoldedText folded(text);
    std::vector<LanguageGroup> groups;
    std::size_t position = 0;
    while (position < folded.size() && groups.size() < limits::MaxLanguageGroups) {
        const std::size_t start = folded.find(GroupOpen, position, folded.size());
        if (start == std::string_view::npos) break;
        const std::size_t end = folded.find(GroupClose, start, folded.size());
        if (end == std::string_view::npos) break;
        position = end + GroupClose.size();
        const auto name = folded.between(start, end, "<language_name>", "</language_name>");
        if (!name) continue;
        LanguageGroup entry;
        entry.name = std::string(*name);
        if (const auto items = folded.between(start, end, "<translation_items>", "</translation_items>")) {
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
    // CR LF: split at LF and drop the CR before it. Lines past the cap are not read: no window
    // has that many captions, and a runaway file must not hold the program's memory.
    std::vector<std::string> pieces;
    std::size_t position = 0;
    while (pieces.size() < limits::MaxTranslationLines) {
        const std::size_t end = items.find('\n', position);
        std::string_view piece = items.substr(position, end == std::string_view::npos ? end : end - position);
        if (!piece.empty() && piece.back() == '\r') piece.remove_suffix(1);
        pieces.emplace_back(piece);
        if (end == std::string_view::npos) break;
        position = end + 1;
    }
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
    if (auto written = files.writeFileFlushed(beside, bytes); !written.ok()) {
        (void)files.deleteFile(beside);
        return written;
    }
    auto moved = files.replaceFile(beside, path);
    if (!moved.ok()) (void)files.deleteFile(beside);
    return moved;
}

}  // namespace sorvane::localization
