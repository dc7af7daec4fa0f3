#pragma once
#include <optional>
#include <string>
#include <string_view>

#include "platform/locale.h"
#include "platform/signatures.h"

// Signed statements: what the publisher vouches for about one answer of its server, so that
// no one between it and this program can change, replay, mix or hold back what it sends.
// The text, ASCII with LF line ends, fetched at the answer's path with ".sig":
//
//   for=/asp/getDefsNEW.asp          the path of the answer it covers
//   from=2024-05-14T09:30:00         the client's date the difference starts from
//   to=2024-06-01T00:00:00           the date the answer brings the client to
//   expires=2024-06-15T00:00:00Z     after this moment (UTC) it proves nothing
//   sha256=<64 hex digits>           SHA-256 of the answer's body, byte for byte
//   signature=<base64 of 64 bytes>   ECDSA P-256 over SHA-256 of the five lines above, raw r||s
//
// A build that carries no public key checks nothing and behaves as before signing existed.
namespace sorvane::update {

// The public key this build trusts, X then Y as 128 hex digits (cmake/Branding.cmake); empty
// when the build carries none.
std::string_view BuildPublicKey();

// The address of the statement for the answer at `answerAddress`: the extension of its
// path replaced by ".sig", its query kept ("/asp/getDefsNEW.asp?x=1" -> "/asp/getDefsNEW.sig?x=1").
std::string StatementAddress(std::string_view answerAddress);

// The path of an address, without its scheme, host and query ("/Languages/30/Localization.xml").
std::string AddressPath(std::string_view address);

struct SignedStatement {
    std::string covers, from, to, expires, sha256;
    std::string body;       // the signed bytes: the five lines before "signature=", each with its LF
    std::string signature;  // 64 raw bytes
};

// Reads a statement's text: the six lines in their order, nothing before, between or after
// them (a final LF allowed). Nothing when it is not one.
std::optional<SignedStatement> ReadStatement(std::string_view text);

// Why an answer is refused; None when it may be used.
enum class Refusal {
    None,
    Missing,       // no statement came (a server that signs nothing, a 404)
    Changed,       // the statement is not the publisher's, is for another answer, or the body's hash differs
    OtherStart,    // the difference starts from another date than the client's (answers mixed and matched)
    NotNewer,      // it would bring the client to its own date or an earlier one (a replay, a rollback)
    Expired,       // the statement's time has passed: the answer may be held back (a freeze)
    Unverifiable,  // this system could not check the signature at all
};

struct StatementExpectation {
    std::string_view covers;                  // the path of the answer fetched
    std::optional<platform::DateTime> local;  // the client's own date, when the answer is a difference from it
    // For a whole file: the client's own date, which the release it belongs to may not be older
    // than (an older release's genuine file, replayed, would take definitions back).
    std::optional<platform::DateTime> notBefore;
};

struct StatementCheck {
    Refusal refusal = Refusal::Missing;
    SignedStatement statement;
    std::optional<platform::DateTime> to;  // the statement's target date, when it names one
    // The answer brings nothing newer and the statement says so (from and to are the client's date).
    bool current = false;
    bool ok() const { return refusal == Refusal::None; }
};

// Checks `body` against its statement (nothing when none came) under the public key
// `publicKeyHex`: the signature, the answer it covers, the hash, then for a difference its
// dates (a target date not later than `local` is refused unless the statement says the client
// is current: from and to both `local`; a start other than `local` is refused), and last the
// expiry against the system's UTC clock. Nothing is parsed from `body` before this passes.
StatementCheck CheckStatement(platform::Signatures& signatures, std::string_view publicKeyHex,
                              const std::optional<std::string>& statementText, std::string_view body,
                              const StatementExpectation& expected);

// The catalogue message that tells the user why an update was refused.
std::string_view RefusalMessageKey(Refusal refusal);
// Why, in words, for the console.
std::string RefusalText(Refusal refusal);

}  // namespace sorvane::update
