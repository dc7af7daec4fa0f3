#pragma once
#include <array>
#include <cstddef>
#include <string>
#include <string_view>

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

private:
    std::array<MessageEntry, Capacity> entries_{};
};

// Upper-cases the first character (ASCII and Latin-1 letters); the rest stays as it is.
std::string upperFirst(std::string_view text);

// Fills the catalogue with the built-in English texts, in their fixed order.
void LoadDefaultMessages(Languages& catalogue);

}  // namespace sorvane::localization
