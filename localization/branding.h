#pragma once
#include <string>
#include <string_view>

#include "platform/version_info.h"

namespace sorvane::localization {

// Address of the banner page shown above the main window's pages.
inline constexpr std::string_view BannerUrl = "http://banner.sorvane.example/";
// The language server's base address; the product number and "/Localization.xml" follow it.
inline constexpr std::string_view LanguageServerUrl = "http://www.sorvane.example/Languages/";
// Product number the language server knows this product by.
inline constexpr int LanguageServerProduct = 30;

// The product's branding, taken from the executable's version resource, and the build switches.
struct Branding {
    std::string ProgramName;
    std::string CompanyName;
    std::string Website;
    int versionMajor = 0;
    int versionMinor = 0;
    bool SkinsEnabled = false;
    bool UseSplashIcon = false;
    bool BannerEnabled = false;
    std::string bannerUrl;
    int languageServerProduct = 0;

    // "3.0": major "." minor.
    std::string versionText() const;
};

// Reads the branding values from the version resource and sets the switches. Fields the
// resource lacks keep this build's own values, so that captions never come out blank.
Branding InitBranding(platform::VersionResources& versions);

// Fills "[ProgramName]", "[CompanyName]" and "[Website]" (any letter case) from the branding.
std::string FillPlaceholders(std::string_view text, const Branding& branding);

}  // namespace sorvane::localization
