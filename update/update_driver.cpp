#include "update/update_driver.h"

#include "platform/text.h"
#include "update/applier.h"
#include "update/definitions_date.h"
#include "update/fetch.h"

namespace sorvane::update {
namespace {

std::string spacesEncoded(std::string_view s) { return text::replaceAll(s, " ", "%20"); }

// Bytes outside ASCII (a Korean or Greek AM/PM marker) as %XX of their UTF-8 form: what goes on
// the wire is then the same whatever the HTTP library does with them.
std::string nonAsciiEncoded(std::string_view s) {
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string out;
    for (char c : s) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x80) {
            out += c;
        } else {
            out += '%';
            out += hex[u >> 4];
            out += hex[u & 0x0F];
        }
    }
    return out;
}

UpdateOutcome failed(UpdateResult result, std::string detail) {
    UpdateOutcome outcome;
    outcome.result = result;
    outcome.detail = std::move(detail);
    return outcome;
}

// Passes each text on and lets pending events run, so that the window paints and answers
// while a large update is applied.
class YieldingObserver final : public UpdateObserver {
public:
    YieldingObserver(UpdateObserver& observer, ui::Host& host) : observer_(observer), host_(host) {}
    void statusChanged(const std::string& text) override {
        observer_.statusChanged(text);
        host_.yield();
    }

private:
    UpdateObserver& observer_;
    ui::Host& host_;
};

UpdateOutcome localFailure(std::string_view what, const ReplaceResult& failure) {
    UpdateOutcome outcome = failed(UpdateResult::LocalFailure, std::string(what) + ReplaceFailureText(failure));
    outcome.failedFile = failure.file;
    outcome.failureCode = failure.status.code();
    return outcome;
}

// An update text as received is whole when the server announced its length (the fetch holds
// it to that) or when it ends with the closing record; anything else may have been cut off
// at a record's edge, and applied as whole it would lose the rest for good. An empty body
// brings no length to check, and applies nothing.
bool wholeUpdateText(const FetchResult& fetched) {
    return fetched.lengthAnnounced || fetched.text.empty() || EndsWithClosingRecord(fetched.text);
}

// A whole definition file without an announced length must at least end at a line's end.
bool wholeDefinitionFile(const FetchResult& fetched) {
    return fetched.lengthAnnounced || fetched.text.empty() || fetched.text.back() == '\n';
}

// The paths the statements of the update and of the custom feed cover.
constexpr std::string_view UpdateAnswerPath = "/asp/getDefsNEW.asp";
constexpr std::string_view FeedAnswerPath = "/definitions/custom.html";

// The statement beside the answer at `address`. A server that answers with an error status
// (a classic server's 404) has none: nothing, successfully; a request that failed on the way is a failure.
platform::Status FetchSigned(platform::Platform& platform, ui::Host& host, std::string_view address,
                             std::optional<std::string>& statement) {
    statement.reset();
    FetchResult answer = FetchBytes(platform, host, StatementAddress(address), FetchProgress{});
    if (answer.ok()) {
        statement = std::move(answer.text);
        return {};
    }
    const std::uint32_t code = answer.status.code();
    if (code >= platform::error::HttpStatusBase + 400 && code < platform::error::HttpStatusBase + 600) return {};
    return answer.status;
}

UpdateOutcome refusedOutcome(Refusal refusal) {
    UpdateOutcome outcome = failed(UpdateResult::Refused, "the update was refused: " + RefusalText(refusal));
    outcome.refusal = refusal;
    return outcome;
}

// Checks the answer at `address` (its `body`) against its statement; `what` names the answer in
// the failure to fetch the statement. Nothing when it may be used, else the outcome that refuses it.
std::optional<UpdateOutcome> refusedUnlessSigned(UpdateSession& session, std::string_view address,
                                                 std::string_view body, const StatementExpectation& expected,
                                                 const std::string& what, StatementCheck& check) {
    std::optional<std::string> statement;
    if (auto s = FetchSigned(session.platform, session.host, address, statement); !s.ok()) {
        return failed(UpdateResult::Unreachable, "the " + what + "'s signed statement could not be fetched");
    }
    check = CheckStatement(session.platform.signatures, session.publicKey, statement, body, expected);
    if (!check.ok()) return refusedOutcome(check.refusal);
    return std::nullopt;
}

}  // namespace

std::string ProductQuery(const localization::Branding& branding) {
    return "prog=" + spacesEncoded(branding.ProgramName) + "&comp=" + spacesEncoded(branding.CompanyName);
}

std::string ServerDateAddress(const localization::Branding& branding, std::string_view isoDate) {
    return std::string(DefinitionServer) + "/asp/currentDateNEW.asp?" + ProductQuery(branding) + "&iso=" +
           std::string(isoDate);
}

std::string DefinitionsSinceAddress(const localization::Branding& branding, std::string_view localDateText,
                                    std::string_view isoDate) {
    return std::string(DefinitionServer) + "/asp/getDefsNEW.asp?" + ProductQuery(branding) + "&date=" +
           nonAsciiEncoded(localDateText) + "&iso=" + std::string(isoDate);
}

std::string NewDateAddress(const localization::Branding& branding, std::string_view isoDate) {
    return std::string(DefinitionServer) + "/asp/date.asp?" + ProductQuery(branding) + "&iso=" + std::string(isoDate);
}

std::string WholeFileAddress(std::string_view name) {
    return std::string(DefinitionServer) + "/definitions/data/" + std::string(name);
}

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
    // The fetch lets pending events run after every chunk itself.
    auto progress = [&session](const std::string& text) { session.observer.statusChanged(text); };
    // Applying a large update takes a while: the window paints and answers meanwhile.
    YieldingObserver yielding(session.observer, session.host);
    yielding.statusChanged("Connecting to the definition server, please wait.");
    // A crash in an earlier update is finished before anything is compared with date.dat. One
    // that cannot be finished yet (a definition file held open by another program) stops this
    // update: the files are part new, date.dat still the old, and the same additions would go in twice.
    if (auto r = FinishInterruptedUpdate(platform.instance, platform.files, session.folder); !r.ok()) {
        return localFailure("an earlier update could not be finished: ", r);
    }

    std::string updateText;
    std::optional<std::string> dateLine;
    std::string dateText;
    WholeFiles wholeFiles;
    const platform::DateTime local = LocalDefinitionsDate(platform.files, platform.locale, session.folder);
    if (!session.customFeed) {
        const std::string iso = calendar::IsoDateText(local);
        const FetchResult dateAnswer = Fetch(platform, session.host, ServerDateAddress(session.branding, iso), progress);
        if (!dateAnswer.ok()) {
            return failed(UpdateResult::Unreachable,
                          "the server's date could not be fetched" + SecureConnectionCause(dateAnswer.status));
        }
        const auto serverDate = ParseServerDate(platform.locale, dateAnswer.text, true);
        if (!serverDate) return failed(UpdateResult::Unusable, "the server's date could not be read");

        // A build that checks signatures asks even when the server's (unsigned) date says there is
        // nothing newer: only a signed statement confirms that, and one that has expired tells of
        // definitions held back.
        const bool checked = !session.publicKey.empty();
        // A difference adds and deletes lines; it cannot rebuild a file that is gone, and
        // without it every scan stops.
        for (std::string_view name : UpdateFiles) {
            if (platform.files.lookup(platform::JoinPath(session.folder, name))) continue;
            const std::string address = WholeFileAddress(name);
            const FetchResult whole = FetchBytes(platform, session.host, address, progress);
            if (!whole.ok() || !wholeDefinitionFile(whole)) {
                return failed(UpdateResult::Unreachable,
                              "the missing definition file " + std::string(name) + " could not be fetched whole");
            }
            // A whole file replaces what no difference can check against: it is the publisher's or nothing.
            StatementCheck check;
            if (checked) {
                if (auto refusal = refusedUnlessSigned(session, address, whole.text, {AddressPath(address), {}, local},
                                                       "missing definition file " + std::string(name), check)) {
                    return *refusal;
                }
            }
            wholeFiles.emplace(std::string(name), whole.text);
        }
        if (*serverDate <= local && wholeFiles.empty() && !checked) return failed(UpdateResult::Current, {});

        if (*serverDate > local || checked) {
            const std::string since = DefinitionsDateText(platform.locale, local);
            const std::string address = DefinitionsSinceAddress(session.branding, since, iso);
            // Bytes from the wire to the file: the records are single-byte encoded text, which a
            // trip through the code page (a double-byte one above all) would change.
            const FetchResult fetched = FetchBytes(platform, session.host, address, progress);
            if (!fetched.ok()) return failed(UpdateResult::Unreachable, "the update could not be fetched");
            if (!wholeUpdateText(fetched)) {
                return failed(UpdateResult::Unreachable, "the update arrived cut off (its closing record is missing)");
            }
            updateText = fetched.text;

            if (checked) {
                StatementCheck check;
                if (auto refusal = refusedUnlessSigned(session, address, fetched.text, {UpdateAnswerPath, local, {}},
                                                       "update", check)) {
                    return *refusal;
                }
                if (check.current && wholeFiles.empty()) return failed(UpdateResult::Current, {});
                // The date the publisher signed is the one the definitions now have.
                if (!check.current) {
                    dateText = StoredDateText(platform.locale, *check.to);
                    dateLine = platform.locale.toAnsi(dateText);
                }
            } else {
                // The files and their date go in together, so that the same update is never applied twice.
                const FetchResult newDateAnswer = Fetch(platform, session.host, NewDateAddress(session.branding, iso));
                if (!newDateAnswer.ok()) {
                    return failed(UpdateResult::Unreachable, "the new definitions date could not be fetched");
                }
                const auto offered = ParseServerDate(platform.locale, newDateAnswer.text, true);
                if (!offered) return failed(UpdateResult::Unusable, "the new definitions date could not be read");
                dateText = StoredDateText(platform.locale, BoundedNewDate(local, *serverDate, *offered));
                dateLine = platform.locale.toAnsi(dateText);
            }
        }
    } else {
        const std::string site = WebsiteBase(session.branding.Website);
        const FetchResult dateAnswer = Fetch(platform, session.host, site + "definitions/customdate.html");
        if (!dateAnswer.ok()) return failed(UpdateResult::Unreachable, "the feed's date could not be fetched");
        if (!ParseServerDate(platform.locale, dateAnswer.text, false)) {
            return failed(UpdateResult::Unusable, "the feed's date could not be read");
        }
        const std::string feedAddress = site + "definitions/custom.html";
        const FetchResult feed = FetchBytes(platform, session.host, feedAddress, progress);
        if (!feed.ok()) return failed(UpdateResult::Unreachable, "the feed could not be fetched");
        if (!wholeUpdateText(feed)) {
            return failed(UpdateResult::Unreachable, "the feed arrived cut off (its closing record is missing)");
        }
        if (!session.publicKey.empty()) {
            StatementCheck check;
            if (auto refusal =
                    refusedUnlessSigned(session, feedAddress, feed.text, {FeedAnswerPath, {}, {}}, "feed", check)) {
                return *refusal;
            }
        }
        updateText = feed.text;
        const FetchResult newDateAnswer = Fetch(platform, session.host, NewDateAddress(session.branding, calendar::IsoDateText(local)));
        if (!newDateAnswer.ok()) return failed(UpdateResult::Unreachable, "the new definitions date could not be fetched");
        const auto newDate = ParseServerDate(platform.locale, newDateAnswer.text, true);
        if (!newDate) return failed(UpdateResult::Unusable, "the new definitions date could not be read");
        dateText = StoredDateText(platform.locale, *newDate);
        dateLine = platform.locale.toAnsi(dateText);
    }

    // From reading the files to replacing them, no other Sorvane process finishes or makes a
    // replacement of its own.
    const platform::ScopedLock lock(platform.instance, DefinitionsLockName, DefinitionsLockWaitMs);
    if (!lock.status().ok()) {
        return localFailure({}, {lock.status(), platform::JoinPath(session.folder, JournalFile)});
    }
    if (auto r = CompleteInterruptedUpdate(platform.files, session.folder); !r.ok()) {
        return localFailure("an earlier update could not be finished: ", r);
    }
    // Another process updated while this one was fetching: what was fetched is based on the old date.
    if (LocalDefinitionsDate(platform.files, platform.locale, session.folder) != local) {
        return failed(UpdateResult::Current, {});
    }
    const PreparedUpdate prepared =
        PrepareUpdate(platform.files, session.folder, updateText, session.customFeed, yielding, wholeFiles);
    if (!prepared.readable) return failed(UpdateResult::LocalFailure, "a definition file could not be read");
    // A rebuild from nothing would leave the program without definitions.
    if (session.customFeed && prepared.additionRecords == 0) {
        return failed(UpdateResult::Unusable, "the feed holds no definitions");
    }
    if (prepared.count == 0) return failed(UpdateResult::Current, {});

    if (auto r = CommitUpdate(platform.files, session.folder, prepared, dateLine); !r.ok()) {
        return localFailure({}, r);
    }

    UpdateOutcome outcome;
    outcome.result = UpdateResult::Updated;
    outcome.count = prepared.count;
    outcome.newDate = dateLine ? dateText : DefinitionsDateText(platform.locale, local);
    outcome.files = prepared.files;
    return outcome;
}

}  // namespace sorvane::update
