#include "tests/fuzz/skin_file_target.h"

#include <cstdlib>
#include <string>
#include <string_view>

#include "localization/skin.h"

namespace sorvane::fuzz {
namespace {

void require(bool condition) {
    if (!condition) std::abort();
}

bool sameSkin(const localization::Skin& a, const localization::Skin& b) {
    return a.face == b.face && a.text == b.text && a.picture == b.picture && a.window == b.window;
}

}  // namespace

void FuzzSkinFile(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const localization::Skin skin = localization::ParseSkin(text);
    for (const auto color : {skin.face, skin.text, skin.picture, skin.window}) require(color >= 0 && color <= 0xFFFFFF);
    // A line without "=" is skipped, wherever it stands.
    const std::string padded = std::string(text) + "\nno colour here\n";
    require(sameSkin(localization::ParseSkin(padded), skin));
}

}  // namespace sorvane::fuzz
