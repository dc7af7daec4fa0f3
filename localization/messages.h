#pragma once
#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "localization/branding.h"

namespace sorvane::localization {

// One slot of the message table.
struct MessageEntry {
    std::string name;
    std::string text;
    bool used = false;
};

// The process-wide message catalogue (the classic clsLanguages): a fixed table of
// key/text pairs, looked up without regard to case, first match wins.
class Languages {
public:
    static constexpr std::size_t Capacity = 201;

    // Stores a pair in the first free slot; a full table drops it silently.
    void setMessage(std::string_view name, std::string_view message);
    // The current text of the key with its first character upper-cased; empty for an unknown key.
    std::string getMessages(std::string_view name) const;

    const std::array<MessageEntry, Capacity>& entries() const { return entries_; }
    // Replaces the text of a used slot in place (the translation refresh does this).
    void replaceText(std::size_t index, std::string text);

    // The item lines of the language applied last; nothing until one has been loaded.
    bool hasTranslation() const { return translationLoaded_; }
    const std::vector<std::string>& translationLines() const { return translationLines_; }
    void setTranslationLines(std::vector<std::string> lines);
    // The loaded translation's text for the key, placeholders filled and first character
    // upper-cased; empty when it holds none.
    std::string getTranslation(std::string_view key, const Branding& branding) const;
    // Every message whose key the loaded translation holds takes its text; the others keep theirs.
    void refreshMessages(const Branding& branding);

private:
    std::array<MessageEntry, Capacity> entries_{};
    std::vector<std::string> translationLines_;
    // The line that decides each key (the first one carrying it), by the key in lower case;
    // built once per loaded language so that a look-up does not read every line.
    std::unordered_map<std::string, std::size_t> lineOfKey_;
    bool translationLoaded_ = false;
};

// The text between an item line's tags, taken literally; empty when the line is not this key's.
std::string ItemText(std::string_view line, std::string_view key);

// Upper-cases the first character (ASCII and Latin-1 letters); the rest stays as it is.
std::string upperFirst(std::string_view text);
// Lower-cases the first character the same way: for a catalogue text that continues a sentence.
std::string lowerFirst(std::string_view text);

// Fills the catalogue with the built-in English texts, in their fixed order.
void LoadDefaultMessages(Languages& catalogue);

}  // namespace sorvane::localization
