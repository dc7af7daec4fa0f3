#include <gtest/gtest.h>

#include <string>

#include "localization/messages.h"

namespace sorvane::localization {
namespace {

Languages defaults() {
    Languages catalogue;
    LoadDefaultMessages(catalogue);
    return catalogue;
}

TEST(MessageCatalogue, DefaultTableHoldsTheSixtyFivePairsInOrder) {
    const Languages catalogue = defaults();
    const auto& entries = catalogue.entries();
    EXPECT_EQ(entries[0].name, "MSG_THANK1");
    EXPECT_EQ(entries[36].name, "MSG_MISSINGFILES");
    EXPECT_EQ(entries[54].name, "MSG_CAPTION");
    EXPECT_EQ(entries[64].name, "MSG_COMPLETE");
    EXPECT_TRUE(entries[64].used);
    // The language window's title and download notice follow the table.
    EXPECT_EQ(entries[65].name, "MSG_TITLELANGUAGE");
    EXPECT_EQ(entries[66].name, "MSG_DOWNLOADED");
    // Then the texts composed at run time, in one block.
    EXPECT_EQ(entries[67].name, "MSG_DETECTED_MEMORY");
    EXPECT_EQ(entries[75].name, "MSG_UPDATE_LOCAL");
    EXPECT_EQ(entries[76].name, "MSG_ANON_NOTICE");
    // Then why an item could not be removed or written.
    EXPECT_EQ(entries[77].name, "MSG_NEEDS_ADMIN");
    EXPECT_EQ(entries[80].name, "MSG_ERR_DISK_FULL");
    // Then what could not be saved.
    EXPECT_EQ(entries[81].name, "MSG_EXCLUSION_UNSAVED");
    EXPECT_EQ(entries[83].name, "MSG_LANGUAGE_UNSAVED");
    // Then what the shields and the scheduler tell about themselves.
    EXPECT_EQ(entries[84].name, "MSG_SCHEDULE_TIME");
    EXPECT_EQ(entries[98].name, "MSG_ALERT_PATH");
    // Then the quarantine window's texts.
    EXPECT_EQ(entries[99].name, "MSG_NEVER");
    EXPECT_EQ(entries[113].name, "MSG_KIND_COOKIE_ROWS");
    // Then the cookie phase's words about the browsers' stores.
    EXPECT_EQ(entries[114].name, "MSG_COOKIES_IN_USE");
    // Then why an update or a language file was refused, and the rollback's outcome.
    EXPECT_EQ(entries[115].name, "MSG_SIGNED_MISSING");
    EXPECT_EQ(entries[119].name, "MSG_SIGNED_EXPIRED");
    EXPECT_EQ(entries[122].name, "MSG_ROLLBACK_NONE");
    // Then the home-page shield's words for a browser policy.
    EXPECT_EQ(entries[123].name, "MSG_HOMEPAGE_POLICY");
    // Then what became of a removal's restore point.
    EXPECT_EQ(entries[124].name, "MSG_RESTORE_MADE");
    EXPECT_EQ(entries[126].name, "MSG_RESTORE_NOT_MADE");
    // Then why the start at logon could not be changed.
    EXPECT_EQ(entries[127].name, "MSG_STARTUP_UNSAVED");
    EXPECT_EQ(entries[128].name, "MSG_ERR_SCHEDULER_OFF");
    // Then why a genuine but older language file was refused.
    EXPECT_EQ(entries[129].name, "MSG_LANGUAGE_OLDER");
    EXPECT_FALSE(entries[130].used);
    EXPECT_EQ(catalogue.getMessages("MSG_MISSINGFILES"), "Files Missing, Run Live Update");
    EXPECT_EQ(catalogue.getMessages("MSG_CAPTION"), "[ProgramName] by [Company]");
    EXPECT_EQ(catalogue.getMessages("MSG_THANK4"), "Update Now?");
}

TEST(MessageCatalogue, LookupRules) {
    const Languages catalogue = defaults();
    // Keys ignore case.
    EXPECT_EQ(catalogue.getMessages("msg_sure"), "Are you sure?");
    EXPECT_EQ(catalogue.getMessages("Msg_Stop"), "Are you sure you want to stop the scan?");
    // The first character comes back upper-cased, the rest unchanged.
    EXPECT_EQ(catalogue.getMessages("MSG_COMPLETE"), "Complete");
    EXPECT_EQ(catalogue.getMessages("MSG_RESULTS_THANK"), "Submitted.  Thank you!");
    EXPECT_EQ(catalogue.getMessages("MSG_ERROR_STOPPED"),
              "Could not be stopped.  You should try again after saving your work and closing any open applications.");
    // Placeholders are not filled in by the lookup.
    EXPECT_EQ(catalogue.getMessages("MSG_PAUSED"), "[ProgramName] has been paused.  Click OK to resume.");
    EXPECT_EQ(catalogue.getMessages("MSG_TITLELANGUAGE"), "Language Selection");
    EXPECT_EQ(catalogue.getMessages("MSG_DOWNLOADED"), "The newest language file has been downloaded.");
    // Unknown keys give empty text.
    EXPECT_EQ(catalogue.getMessages("MSG_NO_SUCH_KEY"), "");
    EXPECT_EQ(catalogue.getMessages(""), "");
}

TEST(MessageCatalogue, StorageRules) {
    Languages catalogue = defaults();
    // A second pair for a key already present is stored but never reached.
    catalogue.setMessage("MSG_SURE", "Sure?");
    EXPECT_EQ(catalogue.getMessages("MSG_SURE"), "Are you sure?");
    EXPECT_EQ(catalogue.entries()[130].text, "Sure?");
    // A new key is reachable; an empty text stays empty.
    catalogue.setMessage("MSG_EXTRA", "");
    EXPECT_EQ(catalogue.getMessages("msg_extra"), "");
    catalogue.setMessage("MSG_NEW", "new text");
    EXPECT_EQ(catalogue.getMessages("MSG_NEW"), "New text");

    // 201 slots: the pair after the last one is dropped without harm.
    Languages full;
    for (int i = 0; i < 201; ++i) full.setMessage("K" + std::to_string(i), "v" + std::to_string(i));
    full.setMessage("K201", "dropped");
    EXPECT_EQ(full.getMessages("K200"), "V200");
    EXPECT_EQ(full.getMessages("K201"), "");
    EXPECT_TRUE(full.entries()[200].used);

    // Replacing a text changes what the key gives; free slots cannot be replaced.
    catalogue.replaceText(6, "sure?");
    EXPECT_EQ(catalogue.getMessages("MSG_SURE"), "Sure?");
    catalogue.replaceText(150, "nothing");
    EXPECT_FALSE(catalogue.entries()[150].used);
}

TEST(MessageCatalogue, UpperFirstHandlesLatinLetters) {
    EXPECT_EQ(upperFirst(""), "");
    EXPECT_EQ(upperFirst("a"), "A");
    EXPECT_EQ(upperFirst("\xC3\xA9t\xC3\xA9"), "\xC3\x89t\xC3\xA9");  // "été" -> "Été"
    EXPECT_EQ(upperFirst("1abc"), "1abc");
}

}  // namespace
}  // namespace sorvane::localization
