#include "localization/skin.h"

#include <algorithm>

#include "localization/translation_file.h"
#include "platform/limits.h"
#include "platform/text.h"
#include "ui/controls.h"

namespace sorvane::localization {

namespace {

constexpr ui::Color rgb(int r, int g, int b) { return (b << 16) | (g << 8) | r; }

// "#RRGGBB" or "RRGGBB" as 0x00BBGGRR.
std::optional<ui::Color> parseColor(std::string_view value) {
    if (!value.empty() && value.front() == '#') value.remove_prefix(1);
    if (value.size() != 6) return std::nullopt;
    int parts[3] = {0, 0, 0};
    for (std::size_t i = 0; i < 6; ++i) {
        const char c = value[i];
        int digit = 0;
        if (c >= '0' && c <= '9') digit = c - '0';
        else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
        else return std::nullopt;
        parts[i / 2] = parts[i / 2] * 16 + digit;
    }
    return rgb(parts[0], parts[1], parts[2]);
}

}  // namespace

Skin DefaultSkin() { return {rgb(0xE4, 0xEC, 0xF5), rgb(0x13, 0x2C, 0x4F), rgb(0xFF, 0xFF, 0xFF), rgb(0xCF, 0xDC, 0xEA)}; }

Skin ParseSkin(std::string_view content) {
    Skin skin = DefaultSkin();
    for (const auto& line : text::lines(content)) {
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos) continue;
        const std::string key = text::trim(std::string_view(line).substr(0, equals));
        const auto color = parseColor(text::trim(std::string_view(line).substr(equals + 1)));
        if (!color) continue;
        if (text::equalsNoCase(key, "Face")) skin.face = *color;
        else if (text::equalsNoCase(key, "Text")) skin.text = *color;
        else if (text::equalsNoCase(key, "Picture")) skin.picture = *color;
        else if (text::equalsNoCase(key, "Window")) skin.window = *color;
    }
    return skin;
}

Skin LoadSkin(platform::FileSystem& files, std::string_view applicationFolder) {
    const std::string path = platform::JoinPath(applicationFolder, SkinFileName);
    const auto entry = files.lookup(path);
    if (!entry || entry->isFolder() || entry->size > limits::MaxTextFile) return DefaultSkin();
    std::string bytes;
    if (!files.readFile(path, bytes).ok()) return DefaultSkin();
    return ParseSkin(bytes);
}

void SkinHook::attach(const Skin&) {
    calls_.push_back(Call::Attach);
    attached_ = true;
}

void SkinHook::start() {
    calls_.push_back(Call::Start);
    running_ = attached_;
}

void SkinHook::stop() {
    calls_.push_back(Call::Stop);
    running_ = false;
}

bool IsNt6OrLater(platform::Processes& processes) {
    const platform::OsVersion version = processes.version();
    return version.isNt() && version.major > 5;
}

void StopSkinHookOnNt6(SkinHook& hook, platform::Processes& processes) {
    if (IsNt6OrLater(processes)) hook.stop();
}

void RecolorControls(ui::Form& form, ui::Color face, ui::Color textColor, ui::Color picture) {
    for (const auto& owned : form.controls()) {
        ui::Control& control = *owned;
        const std::string_view type = control.typeName();
        if (type == "CommandButton") {
            control.setBackColor(face);
        } else if (type == "TextBox" || type == "ComboBox" || type == "FileListBox" || type == "DirListBox" ||
                   type == "DriveListBox" || type == "ListBox" || type == "ListView") {
            control.setBackColor(face);
            control.setForeColor(textColor);
        } else if (type == "PictureBox") {
            control.setBackColor(picture);
        }
    }
}

bool ResetWindowRegion(ui::Form& form) { return form.host().setWindowRegion(form, form.width(), form.height()); }

void ApplySkinToWindow(ui::Form& form, const Skin& skin) {
    form.setBackColor(skin.window);
    for (const auto& owned : form.controls()) {
        const std::string_view type = owned->typeName();
        if (type == "SkinLabel" || type == "Label" || type == "Frame" || type == "CheckBox" ||
            type == "OptionButton") {
            owned->setBackColor(skin.window);
            owned->setForeColor(skin.text);
        }
    }
}

void SkinWindow(ui::Form& form, const Skin& skin, bool nt6OrLater, bool skinsEnabled) {
    RecolorControls(form, skin.face, skin.text, skin.picture);
    if (nt6OrLater && skinsEnabled) (void)ResetWindowRegion(form);
    ApplySkinToWindow(form, skin);
}

int CopyLabelsToSkinLabels(ui::Form& form, std::string_view arrayName, ui::Control* container, bool everyLabel) {
    ui::Control* first = form.find(arrayName, 0);
    if (first == nullptr) {
        auto& element = form.add<ui::SkinLabel>(std::string(arrayName), 0, container);
        element.setVisible(false);
        first = &element;
    }
    // The labels are gathered first: the copies join the same control list.
    std::vector<ui::Control*> labels;
    for (const auto& owned : form.controls())
        if (owned->typeName() == "Label" && (everyLabel || owned->container() == first->container()))
            labels.push_back(owned.get());
    for (ui::Control* label : labels) {
        auto& copy = form.add<ui::SkinLabel>(std::string(arrayName), form.upperBound(arrayName) + 1,
                                             label->container());
        copy.setGeometry(label->geometry());
        copy.setBold(label->bold());
        copy.setItalic(label->italic());
        copy.setCaption(label->caption());
        copy.setVisible(label->visible());
    }
    return static_cast<int>(labels.size());
}

void CopyLabelsToSkinLabels(std::vector<ui::ControlDesign>& controls, std::string_view arrayName, bool everyLabel) {
    const auto isElement = [arrayName](const ui::ControlDesign& design, int index) {
        return design.name == arrayName && design.index == index;
    };
    auto first = std::find_if(controls.begin(), controls.end(), [&](const auto& design) { return isElement(design, 0); });
    if (first == controls.end()) {
        controls.push_back({.name = arrayName, .type = ui::ControlType::SkinLabel, .index = 0});
        first = controls.end() - 1;
    }
    const auto sameContainer = [home = *first](const ui::ControlDesign& design) {
        return design.container == home.container && design.containerIndex == home.containerIndex;
    };
    int upper = 0;
    for (const auto& design : controls)
        if (design.name == arrayName) upper = std::max(upper, design.index);
    const std::size_t designed = controls.size();
    for (std::size_t i = 0; i < designed; ++i) {
        const ui::ControlDesign label = controls[i];
        if (label.type != ui::ControlType::Label || !(everyLabel || sameContainer(label))) continue;
        controls.push_back({.name = arrayName, .type = ui::ControlType::SkinLabel, .index = ++upper,
                            .container = label.container, .containerIndex = label.containerIndex,
                            .geometry = label.geometry, .caption = label.caption});
    }
}

bool LooksLikeImage(std::string_view bytes) {
    return bytes.starts_with("\x89PNG\r\n\x1a\n") || bytes.starts_with("GIF87a") || bytes.starts_with("GIF89a") ||
           bytes.starts_with("\xFF\xD8\xFF") || bytes.starts_with("BM");
}

namespace {

std::uint32_t bigEndian(std::string_view bytes, std::size_t at, std::size_t count) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < count; ++i) value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

std::uint32_t littleEndian(std::string_view bytes, std::size_t at, std::size_t count) {
    std::uint32_t value = 0;
    for (std::size_t i = count; i > 0; --i) value = (value << 8) | static_cast<unsigned char>(bytes[at + i - 1]);
    return value;
}

// The frame header of a JPEG: the first start-of-frame segment, found by walking the segments.
std::optional<ImageSize> jpegDimensions(std::string_view bytes) {
    std::size_t at = 2;
    while (at + 4 <= bytes.size()) {
        if (static_cast<unsigned char>(bytes[at]) != 0xFF) return std::nullopt;
        const auto marker = static_cast<unsigned char>(bytes[at + 1]);
        if (marker == 0xFF) {  // fill bytes before a marker
            ++at;
            continue;
        }
        const std::uint32_t length = bigEndian(bytes, at + 2, 2);
        if (length < 2) return std::nullopt;
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            if (at + 9 > bytes.size()) return std::nullopt;
            return ImageSize{bigEndian(bytes, at + 7, 2), bigEndian(bytes, at + 5, 2)};
        }
        at += 2 + length;
    }
    return std::nullopt;
}

}  // namespace

std::optional<ImageSize> ImageDimensions(std::string_view bytes) {
    if (!LooksLikeImage(bytes)) return std::nullopt;
    if (bytes.starts_with("\x89PNG")) {
        if (bytes.size() < 24 || bytes.substr(12, 4) != "IHDR") return std::nullopt;
        return ImageSize{bigEndian(bytes, 16, 4), bigEndian(bytes, 20, 4)};
    }
    if (bytes.starts_with("GIF")) {
        if (bytes.size() < 10) return std::nullopt;
        return ImageSize{littleEndian(bytes, 6, 2), littleEndian(bytes, 8, 2)};
    }
    if (bytes.starts_with("BM")) {
        if (bytes.size() < 26) return std::nullopt;
        // A bottom-up bitmap stores its height as a positive number, a top-down one as a negative.
        const auto height = static_cast<std::int32_t>(littleEndian(bytes, 22, 4));
        const auto width = static_cast<std::int32_t>(littleEndian(bytes, 18, 4));
        if (width <= 0 || height == INT32_MIN) return std::nullopt;
        return ImageSize{static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height < 0 ? -height : height)};
    }
    return jpegDimensions(bytes);
}

bool IsBannerImage(std::string_view bytes) {
    if (bytes.size() > limits::MaxBannerBytes) return false;
    const auto size = ImageDimensions(bytes);
    return size && size->width >= 1 && size->height >= 1 && size->width <= limits::MaxBannerSide &&
           size->height <= limits::MaxBannerSide;
}

void SetUpBannerStrip(ui::Form& window, const ui::Geometry& area, bool scaleInPixels, std::string_view url,
                      const FetchBody& fetch) {
    const int inset = scaleInPixels ? 20 : 280;
    auto& picBox = window.add<ui::PictureBox>("picBox");
    picBox.setBorder(false);
    picBox.setGeometry({area.left, area.top, area.width - inset, area.height});
    auto& wbBanner = window.add<ui::WebBrowser>("wbBanner", -1, &picBox);
    wbBanner.setBorder(false);
    wbBanner.setGeometry({0, 0, area.width, area.height});
    picBox.setVisible(true);
    wbBanner.setVisible(true);
    if (ui::Control* picture = window.find("wbPicture")) picture->setVisible(false);
    wbBanner.setLocationUrl(std::string(url));
    if (!fetch) return;
    auto& tmrBanner = window.add<ui::Timer>("tmrBanner");
    tmrBanner.setInterval(BannerFetchDelayMs);
    tmrBanner.onTimer = [&tmrBanner, &wbBanner, fetch, address = std::string(url)] {
        tmrBanner.setOn(false);  // once: a failed fetch is not tried again until the next start
        const auto body = fetch(address);
        // A page that is no image cannot be shown without a browser engine: the strip stays empty.
        if (body && IsBannerImage(*body)) wbBanner.setImageBytes(*body);
    };
    tmrBanner.setOn(true);
}

}  // namespace sorvane::localization
