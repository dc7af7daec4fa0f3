#pragma once
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

// Signed statements: what a publisher vouches for about one answer, so that a client can
// refuse a changed, replayed, mixed or stale one. The text, ASCII with LF line ends:
//
//   for=/asp/getDefsNEW.asp          what the statement covers (the path of the answer)
//   from=2024-05-14T09:30:00         the client's date the difference starts from
//   to=2024-06-01T00:00:00           the date the answer brings the client to
//   expires=2024-06-15T00:00:00Z     after this moment (UTC) the statement proves nothing
//   sha256=<64 lower-case hex>       SHA-256 of the answer's body, byte for byte
//   signature=<base64>               ECDSA P-256 over SHA-256, raw r||s (64 bytes)
//
// The signed bytes are the five lines before "signature=", each with its LF, exactly as
// sent; the signature is the fixed-size r||s form Windows' BCryptVerifySignature takes.
namespace sorvane::server {

struct Statement {
    std::string covers;
    std::string from;
    std::string to;
    std::string expires;
    std::string sha256;
};

// The signed bytes of a statement's text.
std::string StatementBody(const Statement& statement);
// Lower-case hex of the SHA-256 of `bytes`.
std::string Sha256Hex(std::string_view bytes);
// "2024-06-15T00:00:00Z".
std::string FormatUtc(std::time_t when);

class StatementSigner {
public:
    // Reads a PEM private key (PKCS#8 or SEC1) of curve P-256; throws std::runtime_error
    // naming the file and the cause when it cannot.
    explicit StatementSigner(const std::filesystem::path& pemFile);
    ~StatementSigner();
    StatementSigner(const StatementSigner&) = delete;
    StatementSigner& operator=(const StatementSigner&) = delete;

    // The whole statement text: its body and the signature line. Throws std::runtime_error
    // when the library fails to sign.
    std::string sign(const Statement& statement) const;

private:
    struct Key;
    std::unique_ptr<Key> key_;
};

}  // namespace sorvane::server
