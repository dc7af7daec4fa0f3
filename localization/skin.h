#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"
#include "platform/processes.h"
#include "ui/control.h"
#include "ui/form.h"
#include "ui/layout.h"

namespace sorvane::localization {

// The skin file beside the executable that may replace the built-in colours.
inline constexpr std::string_view SkinFileName = "Skin.ini";

// The four colours of a skin, numbered as the skinning component numbered them (2 to 5).
struct Skin {
    ui::Color face = 0;     // 2: buttons, lists, text boxes
    ui::Color text = 0;     // 3: text on them
    ui::Color picture = 0;  // 4: picture boxes
    ui::Color window = 0;   // 5: the window itself and the skin labels' ground
};

// The look Sorvane ships with: a pale blue-grey ground, white lists, dark blue text.
Skin DefaultSkin();
// Reads "Face", "Text", "Picture" and "Window" lines ("Face=#DDE6F0", any letter case) over
// the default; unknown lines and bad colours are skipped.
Skin ParseSkin(std::string_view text);
// The default skin, overridden by the skin file when one is there.
Skin LoadSkin(platform::FileSystem& files, std::string_view applicationFolder);

// Stand-in for the external skin hook: it only keeps the order of its calls.
class SkinHook {
public:
    enum class Call { Attach, Start, Stop };
    void attach(const Skin& skin);
    void start();
    void stop();
    bool running() const { return running_; }
    const std::vector<Call>& calls() const { return calls_; }

private:
    std::vector<Call> calls_;
    bool attached_ = false;
    bool running_ = false;
};

// Windows NT 6 or later: platform id 2 and a major version above 5.
bool IsNt6OrLater(platform::Processes& processes);
// Stops the skin hook on Windows NT 6 or later.
void StopSkinHookOnNt6(SkinHook& hook, platform::Processes& processes);

// Colours the controls by type: buttons take the face colour; text boxes, combo boxes, list
// boxes and list views the face and text colours; picture boxes the picture colour.
void RecolorControls(ui::Form& form, ui::Color face, ui::Color text, ui::Color picture);
// Gives the window a rectangular region from (0, 0) to (its Width, its Height) taken as pixels:
// they are twips, larger than the window, so the whole window stays visible.
bool ResetWindowRegion(ui::Form& form);
// The skin's own drawing of a window: its ground and its skin labels.
void ApplySkinToWindow(ui::Form& form, const Skin& skin);
// The skin steps for one window: recolour, a full region on NT 6 or later, then the skin's drawing.
void SkinWindow(ui::Form& form, const Skin& skin, bool nt6OrLater, bool skinsEnabled);

// The skin-label array a window's load copies its labels into (SkinLabelCopies).
inline constexpr std::string_view SkinLabelArray = "SkinLabel1";

// Copies labels into the skin-label array `arrayName`: every label whose container is the
// one of the array's element 0 (or every label when `everyLabel`), each into a new element
// one above the array's upper bound, taking Top, Left, Height, Width, Font, Caption and Visible.
// A window without element 0 gets a hidden one in `container` first. Returns the copies made.
int CopyLabelsToSkinLabels(ui::Form& form, std::string_view arrayName, ui::Control* container, bool everyLabel);
// The same copies made in a window's design (element 0, when added, goes on the window itself),
// for what lists a loaded window's captions without building it.
void CopyLabelsToSkinLabels(std::vector<ui::ControlDesign>& controls, std::string_view arrayName, bool everyLabel);

// Fetches an address's body; nothing when it cannot be had.
using FetchBody = std::function<std::optional<std::string>(std::string_view url)>;
// True for the image formats the banner can show: PNG, GIF, JPEG and BMP.
bool LooksLikeImage(std::string_view bytes);

// The width and height an image's header declares (PNG, GIF, JPEG, BMP); nothing when the
// header cannot be read.
struct ImageSize {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
};
std::optional<ImageSize> ImageDimensions(std::string_view bytes);
// An image the banner shows: one of its formats, at most limits::MaxBannerBytes, and a width
// and height from 1 to limits::MaxBannerSide, so that decoding it cannot take the program's memory.
bool IsBannerImage(std::string_view bytes);

// The banner strip of a window: a run-time picture box "picBox" over `area`, narrower than
// the browser by the inset (20 in pixels, 280 in twips), holding the browser "wbBanner" at
// (0, 0) at the area's full width; the static picture "wbPicture" hidden; the browser sent
// to `url`, showing the page when it is a banner image and staying empty otherwise. The page
// is fetched by the one-shot timer "tmrBanner" once the message loop runs, after the window
// shows, so a slow or silent banner server never holds up the start.
void SetUpBannerStrip(ui::Form& window, const ui::Geometry& area, bool scaleInPixels, std::string_view url,
                      const FetchBody& fetch);
// Milliseconds from the banner strip's set-up to its fetch.
inline constexpr std::uint32_t BannerFetchDelayMs = 250;

}  // namespace sorvane::localization
