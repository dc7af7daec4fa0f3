#include "tests/fuzz/update_text_target.h"

#include <cstdlib>
#include <string>
#include <string_view>

#include "definitions/encoding.h"
#include "platform/text.h"
#include "tests/fakes/fake_locale.h"
#include "update/applier.h"
#include "update/definitions_date.h"

namespace sorvane::fuzz {
namespace {

void require(bool condition) {
    if (!condition) std::abort();
}

std::size_t lineCount(std::string_view content) { return text::lines(content).size(); }

}  // namespace

void FuzzUpdateText(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    // The first byte picks the mode; the text up to the first NUL is the old file, the rest the update.
    const bool custom = !input.empty() && (input[0] & 1) != 0;
    const std::string_view rest = input.empty() ? input : input.substr(1);
    const std::size_t split = rest.find('\0');
    const std::string old = definitions::EncodeText(rest.substr(0, split == std::string_view::npos ? 0 : split));
    const std::string_view updateText = split == std::string_view::npos ? rest : rest.substr(split + 1);

    const auto records = update::ParseUpdateText(updateText);
    update::UpdateChanges changes(updateText);
    for (std::size_t file = 0; file < update::UpdateFileCount; ++file) {
        const update::FileUpdate result = update::UpdateFileContent(file, old, records, custom);
        const update::FileUpdate routed = changes.apply(file, old, custom);
        require(routed.content == result.content && routed.added == result.added &&
                routed.deletionPass == result.deletionPass);
        if (custom) {
            require(!result.deletionPass);
            require(lineCount(result.content) == result.added);
        } else if (!result.deletionPass) {
            require(result.content.compare(0, old.size(), old) == 0);
            require(lineCount(result.content) <= lineCount(old) + result.added + 1);
        } else {
            require(lineCount(result.content) <= lineCount(old) + result.added + 1);
            for (const std::string& line : text::lines(result.content)) require(!line.empty() && line != " ");
        }
        require(result.content.empty() || result.content.back() == '\n' || !result.deletionPass);
    }

    for (bool cut : {true, false}) {
        const std::string cleaned = update::CleanServerDate(input, cut);
        require(cleaned.find_first_of("\t\r\n") == std::string::npos);
        require(cleaned.size() <= input.size());
        fakes::FakeLocale locale;
        (void)update::ParseServerDate(locale, input, cut);
    }
}

}  // namespace sorvane::fuzz
