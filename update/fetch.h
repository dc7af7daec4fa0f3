#pragma once
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/limits.h"
#include "platform/platform.h"
#include "platform/status.h"
#include "ui/controls.h"
#include "ui/host.h"

// Plain HTTP GET, for every part of the program that talks to a server: text documents
// (definition updates, data submission) and files kept as they came (language files, banner).
namespace sorvane::update {

// Environment variable that points every server address at a test server or private mirror:
// a scheme and host such as "http://127.0.0.1:8080".
inline constexpr std::string_view ServerOverrideVariable = "SORVANE_SERVER_URL";

// `url` with its scheme and host replaced by `base` (a scheme and host, a trailing "/"
// allowed), keeping its path and query. An empty `base` leaves `url` as it is.
std::string ReplaceSchemeAndHost(std::string_view url, std::string_view base);

// The address to fetch for `url`: SORVANE_SERVER_URL applied when it is set. Every fetch
// goes through here; callers that only show an address may call it too.
std::string ServerAddress(platform::Environment& environment, std::string_view url);

// Text to show for the bytes received so far: "Downloaded N bytes.".
std::string DownloadedText(std::size_t bytes);

struct FetchResult {
    // Success only when the server answered below 400 and the whole body arrived within
    // the size and time limits: exactly as many bytes as it announced, when it announced a length.
    platform::Status status;
    // The body converted from the ANSI code page to UTF-8 (FetchBytes: as it arrived); empty
    // unless status is ok.
    std::string text;
    // Whether the server announced the body's length. Without one (a chunked body, or one
    // ended by closing the connection) a body cut short cannot be told from a whole one.
    bool lengthAnnounced = false;
    bool ok() const { return status.ok(); }
};

// Why a secure connection was refused, for the user (": the server's certificate is not
// trusted"), or empty for every other failure. Certificate checks are never switched off: a
// server whose certificate the system does not trust is not the publisher's as far as we know.
std::string SecureConnectionCause(const platform::Status& status);

// Receives the progress text after every chunk.
using FetchProgress = std::function<void(const std::string& text)>;

// GET `url` (after ServerAddress) through the platform's HTTP client: reads in small
// chunks and lets the host run pending events after each one, so that windows keep painting.
// A body beyond limits::MaxHttpBody or a transfer beyond limits::MaxHttpTransferMs is cut
// off and counts as a failure. `progress`, when given, receives "Downloaded N bytes.".
FetchResult Fetch(platform::Platform& platform, ui::Host& host, std::string_view url,
                  const FetchProgress& progress = {});

// The body exactly as it arrived, for what is stored or decoded as bytes (translation files,
// images): no code-page conversion, which would change bytes the code page has no character
// for. Nothing on any failure, a body over `maxBytes` included.
std::optional<std::string> FetchBytes(platform::Platform& platform, ui::Host& host, std::string_view url,
                                      std::size_t maxBytes = limits::MaxHttpBody);
// The same with the outcome, for callers that check the body's completeness themselves.
FetchResult FetchBytes(platform::Platform& platform, ui::Host& host, std::string_view url, const FetchProgress& progress);

// The body as text; empty on any failure.
std::string FetchText(platform::Platform& platform, ui::Host& host, std::string_view url);
// The same, showing "Downloaded N bytes." in `status` as the body arrives.
std::string FetchTextWithProgress(platform::Platform& platform, ui::Host& host, std::string_view url,
                                  ui::TextBox& status);

}  // namespace sorvane::update
