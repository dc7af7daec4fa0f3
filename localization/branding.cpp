#include "localization/branding.h"

#include "platform/text.h"

namespace sorvane::localization {

namespace {
constexpr std::string_view BuildProductName = "Sorvane";
constexpr std::string_view BuildCompanyName = "Talvenor";
constexpr std::string_view BuildWebsite = "www.sorvane.example/";
constexpr int BuildMajor = 3;
constexpr int BuildMinor = 0;

std::string valueOr(const std::string& value, std::string_view fallback) {
    return value.empty() ? std::string(fallback) : value;
}
}  // namespace

std::string Branding::versionText() const { return std::to_string(versionMajor) + "." + std::to_string(versionMinor); }

Branding InitBranding(platform::VersionResources& versions) {
    Branding branding;
    const auto info = versions.ownExecutable();
    if (info) {
        branding.ProgramName = info->productName;
        branding.CompanyName = info->companyName;
        branding.Website = info->comments;
        branding.versionMajor = info->major;
        branding.versionMinor = info->minor;
    } else {
        branding.versionMajor = BuildMajor;
        branding.versionMinor = BuildMinor;
    }
    branding.ProgramName = valueOr(branding.ProgramName, BuildProductName);
    branding.CompanyName = valueOr(branding.CompanyName, BuildCompanyName);
    branding.Website = valueOr(branding.Website, BuildWebsite);

    branding.SkinsEnabled = true;
    branding.UseSplashIcon = true;
    branding.BannerEnabled = true;
    branding.bannerUrl = std::string(BannerUrl);
    branding.languageServerProduct = LanguageServerProduct;
    return branding;
}

std::string FillPlaceholders(std::string_view text, const Branding& branding) {
    std::string result = text::replaceAllNoCase(text, "[ProgramName]", branding.ProgramName);
    result = text::replaceAllNoCase(result, "[CompanyName]", branding.CompanyName);
    return text::replaceAllNoCase(result, "[Website]", branding.Website);
}

}  // namespace sorvane::localization
