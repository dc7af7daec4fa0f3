#include "update/update_driver.h"

#include "platform/text.h"
#include "update/definitions_date.h"
#include "update/fetch.h"

namespace sorvane::update {
namespace {

std::string spacesEncoded(std::string_view s) { return text::replaceAll(s, " ", "%20"); }

UpdateOutcome failed(UpdateResult result, std::string detail) {
    UpdateOutcome outcome;
    outcome.result = result;
    outcome.detail = std::move(detail);
    return outcome;
}

void say(UpdateSession& session, const std::string& text) {
    if (session.status) session.status(text);
    session.host.yield();
}

// The update text in the single-byte form its encoding works on.
std::string singleByte(UpdateSession& session, const FetchResult& fetched) {
    return session.platform.locale.toAnsi(fetched.text);
}

}  // namespace

std::string ProductQuery(const localization::Branding& branding) {
    return "prog=" + spacesEncoded(branding.ProgramName) + "&comp=" + spacesEncoded(branding.CompanyName);
}

std::string ServerDateAddress(const localization::Branding& branding) {
    return std::string(DefinitionServer) + "/asp/currentDateNEW.asp?" + ProductQuery(branding);
}

std::string DefinitionsSinceAddress(const localization::Branding& branding, std::string_view localDateText) {
    return std::string(DefinitionServer) + "/asp/getDefsNEW.asp?" + ProductQuery(branding) + "&date=" +
           std::string(localDateText);
}

std::string NewDateAddress() { return std::string(DefinitionServer) + "/asp/date.asp"; }

std::string WebsiteBase(std::string_view website) {
    if (text::trim(website).empty() || text::equalsNoCase(text::trim(website), UnconfiguredWebsite)) {
        return std::string(VendorWebsite);
    }
    std::string site = text::replaceAllNoCase(website, "http://", "");
    site = site.substr(0, site.find('/'));
    if (!text::containsNoCase(site, "www.")) site = "www." + site;
    return "http://" + site + "/";
}

std::string FullDefinitionAddresses(std::string_view website) {
    static constexpr std::string_view paths[] = {
        "definitions/version/R.HTM", "definitions/version/F.HTM", "definitions/version/E.HTM",
        "definitions/version/C.HTM", "definitions/data/BlockedCookies.dat", "definitions/data/RegistryDefinition.dat",
        "definitions/data/FileDefinition.dat", "definitions/data/ExeDefinition.dat"};
    const std::string base = WebsiteBase(website);
    std::string text;
    for (std::string_view path : paths) text += base + std::string(path) + "\r\n";
    return text;
}

UpdateOutcome RunIncrementalUpdate(UpdateSession& session) {
    platform::Platform& platform = session.platform;
    auto progress = [&session](const std::string& text) {
        if (session.status) session.status(text);
    };
    say(session, "Connecting to the definition server, please wait.");
    // A crash in an earlier update is finished before anything is compared with date.dat. One
    // that cannot be finished yet (a definition file held open by another program) stops this
    // update: the files are part new, date.dat still the old, and the same additions would go in twice.
    if (!CompleteInterruptedUpdate(platform.files, session.folder).ok()) {
        return failed(UpdateResult::Unusable,
                      "an earlier update could not be finished: a definition file could not be replaced");
    }

    PreparedUpdate prepared;
    if (!session.customFeed) {
        const platform::DateTime local = LocalDefinitionsDate(platform.files, platform.locale, session.folder);
        const FetchResult dateAnswer = Fetch(platform, session.host, ServerDateAddress(session.branding), progress);
        if (!dateAnswer.ok()) return failed(UpdateResult::Unreachable, "the server's date could not be fetched");
        const auto serverDate = ParseServerDate(platform.locale, dateAnswer.text, true);
        if (!serverDate) return failed(UpdateResult::Unusable, "the server's date could not be read");
        if (*serverDate <= local) return failed(UpdateResult::Current, {});

        const std::string since = DefinitionsDateText(platform.locale, local);
        const FetchResult updateText =
            Fetch(platform, session.host, DefinitionsSinceAddress(session.branding, since), progress);
        if (!updateText.ok()) return failed(UpdateResult::Unreachable, "the update could not be fetched");
        prepared = PrepareUpdate(platform.files, session.folder, singleByte(session, updateText), false, session.status);
    } else {
        const std::string site = WebsiteBase(session.branding.Website);
        const FetchResult dateAnswer = Fetch(platform, session.host, site + "definitions/customdate.html");
        if (!dateAnswer.ok()) return failed(UpdateResult::Unreachable, "the feed's date could not be fetched");
        if (!ParseServerDate(platform.locale, dateAnswer.text, false)) {
            return failed(UpdateResult::Unusable, "the feed's date could not be read");
        }
        const FetchResult feed = Fetch(platform, session.host, site + "definitions/custom.html");
        if (!feed.ok()) return failed(UpdateResult::Unreachable, "the feed could not be fetched");
        prepared = PrepareUpdate(platform.files, session.folder, singleByte(session, feed), true, session.status);
        // A rebuild from nothing would leave the program without definitions.
        if (prepared.readable && prepared.additionRecords == 0) {
            return failed(UpdateResult::Unusable, "the feed holds no definitions");
        }
    }
    if (!prepared.readable) return failed(UpdateResult::Unusable, "a definition file could not be read");
    if (prepared.count == 0) return failed(UpdateResult::Current, {});

    // The files and their date go in together, so that the same update is never applied twice.
    const FetchResult dateAnswer = Fetch(platform, session.host, NewDateAddress());
    if (!dateAnswer.ok()) return failed(UpdateResult::Unreachable, "the new definitions date could not be fetched");
    const auto newDate = ParseServerDate(platform.locale, dateAnswer.text, true);
    if (!newDate) return failed(UpdateResult::Unusable, "the new definitions date could not be read");
    const std::string dateText = DefinitionsDateText(platform.locale, *newDate);
    if (!CommitUpdate(platform.files, session.folder, prepared, platform.locale.toAnsi(dateText)).ok()) {
        return failed(UpdateResult::Unusable, "the definition files could not be replaced");
    }

    UpdateOutcome outcome;
    outcome.result = UpdateResult::Updated;
    outcome.count = prepared.count;
    outcome.newDate = dateText;
    outcome.files = prepared.files;
    return outcome;
}

}  // namespace sorvane::update
