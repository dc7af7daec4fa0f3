#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "localization/branding.h"
#include "platform/platform.h"
#include "ui/host.h"
#include "update/apply_update.h"
#include "update/signed_statement.h"
#include "update/update_observer.h"

// The live update: asks the definition server whether newer definitions exist, fetches
// the update text and applies it together with the new definitions date.
namespace sorvane::update {

// The definition server of this build and the vendor's own site (SORVANE_SERVER_URL
// replaces their scheme and host).
inline constexpr std::string_view DefinitionServer = "http://www.definitions.sorvane.example";
inline constexpr std::string_view VendorWebsite = "http://www.sorvane.example/";
// The web-site value of an unbranded build, for which the vendor's site stands in.
inline constexpr std::string_view UnconfiguredWebsite = "[Website]";
// Whether this build takes its definitions from the custom feed of its own web site.
inline constexpr bool UseCustomFeed = false;

enum class UpdateResult {
    Updated,      // definitions changed
    Current,      // the server has nothing newer
    Unreachable,  // a request failed: no answer, an error status, a cut-off body
    Unusable,     // an answer came but could not be read or applied
    LocalFailure, // the definition files could not be read or replaced here (detail names the file and why)
    Refused,      // the answer is not what the publisher signed for these definitions (refusal says why)
};

struct UpdateOutcome {
    UpdateResult result = UpdateResult::Unreachable;
    std::size_t count = 0;          // changes applied; 0 unless Updated
    std::string newDate;            // the stored definitions date text when Updated
    std::vector<AppliedFile> files;  // what the update did per file when Updated
    std::string detail;             // what went wrong, for the console
    Refusal refusal = Refusal::None;  // why, when Refused
    // A LocalFailure's file and the system's error code, so that the window names the cause in
    // the chosen language; empty and 0 otherwise.
    std::string failedFile;
    std::uint32_t failureCode = 0;
};

struct UpdateSession {
    platform::Platform& platform;
    ui::Host& host;
    const localization::Branding& branding;
    std::string folder;          // the program folder, where the definitions live
    UpdateObserver& observer;    // the front end: the window's status box, the console's standard error
    bool customFeed = UseCustomFeed;
    // The key the update's statement must be signed with; empty: nothing is checked.
    std::string_view publicKey = BuildPublicKey();
};

// "prog=" product "&comp=" company, each space sent as "%20".
std::string ProductQuery(const localization::Branding& branding);
// The three requests of the central service, each for this product's own releases. Each carries the local date as "&iso=" and
// calendar::IsoDateText: a server that knows the parameter reads the date from it and answers its own
// dates in the same form; an older one ignores it and reads "&date=", the system's rendering
// (its bytes outside ASCII escaped as %XX of UTF-8).
std::string ServerDateAddress(const localization::Branding& branding, std::string_view isoDate);
std::string DefinitionsSinceAddress(const localization::Branding& branding, std::string_view localDateText,
                                    std::string_view isoDate);
std::string NewDateAddress(const localization::Branding& branding, std::string_view isoDate);
// A whole definition file as the server keeps it: "/definitions/data/" NAME.
std::string WholeFileAddress(std::string_view name);
// The web site's base address ("http://www.example.com/") from the Website value.
std::string WebsiteBase(std::string_view website);
// The full definition files on the web site, one address per line, each ended by CR LF.
std::string FullDefinitionAddresses(std::string_view website);

// RunIncrementalUpdate: the whole update. Nothing is written unless the update text and
// the new date both arrived whole and could be read. A missing definition file is fetched
// whole, even when the server has nothing newer (with a key, only under its own statement). The files are read and replaced under
// DefinitionsLockName, so that another Sorvane process never sees or leaves a mixed set.
UpdateOutcome RunIncrementalUpdate(UpdateSession& session);

}  // namespace sorvane::update
