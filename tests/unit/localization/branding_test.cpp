#include <gtest/gtest.h>

#include "localization/branding.h"
#include "tests/fakes/fake_services.h"

namespace sorvane::localization {
namespace {

TEST(Branding, ValuesComeFromTheVersionResource) {
    fakes::FakeVersionResources versions;
    versions.info->productName = "Brightwall";
    versions.info->companyName = "Other Co";
    versions.info->comments = "www.brightwall.example/";
    versions.info->major = 4;
    versions.info->minor = 2;
    const Branding branding = InitBranding(versions);
    EXPECT_EQ(branding.ProgramName, "Brightwall");
    EXPECT_EQ(branding.CompanyName, "Other Co");
    EXPECT_EQ(branding.Website, "www.brightwall.example/");
    EXPECT_EQ(branding.versionText(), "4.2");
    EXPECT_TRUE(branding.SkinsEnabled);
    EXPECT_TRUE(branding.UseSplashIcon);
    EXPECT_TRUE(branding.BannerEnabled);
    EXPECT_EQ(branding.bannerUrl, BannerUrl);
    EXPECT_EQ(branding.languageServerProduct, LanguageServerProduct);
}

TEST(Branding, MissingResourceKeepsTheBuildsOwnValues) {
    fakes::FakeVersionResources versions;
    versions.info.reset();
    const Branding branding = InitBranding(versions);
    EXPECT_EQ(branding.ProgramName, "Sorvane");
    EXPECT_EQ(branding.CompanyName, "Talvenor");
    EXPECT_EQ(branding.versionText(), "3.0");
}

TEST(Branding, PlaceholdersAreFilledInAnyLetterCase) {
    fakes::FakeVersionResources versions;
    const Branding branding = InitBranding(versions);
    EXPECT_EQ(FillPlaceholders("[programname] by [COMPANYNAME], [Website]", branding),
              "Sorvane by Talvenor, www.sorvane.example/");
    // Only the three placeholders are touched.
    EXPECT_EQ(FillPlaceholders("[Company] [Other]", branding), "[Company] [Other]");
}

}  // namespace
}  // namespace sorvane::localization
