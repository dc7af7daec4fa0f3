#include "update/fetch.h"

#include "platform/limits.h"
#include "platform/text.h"

namespace sorvane::update {

using platform::Status;
namespace error = platform::error;

std::string ReplaceSchemeAndHost(std::string_view url, std::string_view base) {
    std::string replacement = text::trim(base);
    if (replacement.empty()) return std::string(url);
    while (!replacement.empty() && replacement.back() == '/') replacement.pop_back();
    if (replacement.find("://") == std::string::npos) replacement.insert(0, "http://");

    std::size_t hostStart = 0;
    if (const std::size_t scheme = url.find("://"); scheme != std::string_view::npos) hostStart = scheme + 3;
    std::size_t rest = url.find_first_of("/?#", hostStart);
    if (rest == std::string_view::npos) rest = url.size();
    std::string result = replacement;
    if (rest == url.size() || url[rest] != '/') result += '/';
    result.append(url.substr(rest));
    return result;
}

std::string ServerAddress(platform::Environment& environment, std::string_view url) {
    return ReplaceSchemeAndHost(url, environment.variable(ServerOverrideVariable));
}

std::string SecureConnectionCause(const platform::Status& status) {
    switch (status.code()) {
        case 12045:  // ERROR_INTERNET_INVALID_CA
        case 12044:  // ERROR_INTERNET_CLIENT_AUTH_CERT_NEEDED
        case 12169:  // ERROR_INTERNET_SEC_INVALID_CERT
            return ": the server's certificate is not trusted by this computer";
        case 12037: return ": the server's certificate has expired or is not yet valid";  // ERROR_INTERNET_SEC_CERT_DATE_INVALID
        case 12038: return ": the server's certificate is for another name";                 // ERROR_INTERNET_SEC_CERT_CN_INVALID
        case 12170: return ": the server's certificate has been revoked";                     // ERROR_INTERNET_SEC_CERT_REVOKED
        case 12055:  // ERROR_INTERNET_SEC_CERT_ERRORS
            return ": the server's certificate did not pass the system's checks";
        case 12157:  // ERROR_INTERNET_SECURITY_CHANNEL_ERROR
            return ": no secure connection could be made with the server";
        default: return {};
    }
}

std::string DownloadedText(std::size_t bytes) { return "Downloaded " + std::to_string(bytes) + " bytes."; }

namespace {

// The body as received, or the failure; half a document is never handed on, since callers
// apply or store what they get.
FetchResult Receive(platform::Platform& platform, ui::Host& host, std::string_view url, const FetchProgress& progress,
                    std::size_t maxBytes = limits::MaxHttpBody) {
    const std::string address = ServerAddress(platform.environment, url);
    const std::uint64_t started = platform.locale.tickMs();
    std::string body;
    std::uint32_t cut = error::Success;
    std::uint64_t announced = 0;
    Status status = platform.http.get(address, [&](std::string_view chunk, std::uint64_t contentLength) {
        if (contentLength != 0) announced = contentLength;
        if (body.size() + chunk.size() > maxBytes) cut = error::NotEnoughMemory;
        else if (platform.locale.tickMs() - started > limits::MaxHttpTransferMs) cut = error::Timeout;
        // More than the server announced: its answer disagrees with its own headers (two
        // answers run together, a broken proxy), and which bytes are the document cannot be told.
        else if (announced != 0 && body.size() + chunk.size() > announced) cut = error::InvalidServerResponse;
        if (cut != error::Success) return false;
        body.append(chunk);
        if (progress) progress(DownloadedText(body.size()));
        host.yield();
        return true;
    });
    if (cut != error::Success) {
        status = Status::failure(cut);
    } else if (status.ok() && body.size() < announced) {
        // WinINet (Wine's at least) ends the body without an error when the connection closes
        // early: fewer bytes than announced is a cut-off document, not a short one.
        status = Status::failure(error::ConnectionAborted);
    }
    FetchResult result;
    result.status = status;
    result.lengthAnnounced = announced != 0;
    if (status.ok()) result.text = std::move(body);
    return result;
}

}  // namespace

FetchResult Fetch(platform::Platform& platform, ui::Host& host, std::string_view url, const FetchProgress& progress) {
    FetchResult result = Receive(platform, host, url, progress);
    if (result.ok()) result.text = platform.locale.fromAnsi(result.text);
    return result;
}

FetchResult FetchBytes(platform::Platform& platform, ui::Host& host, std::string_view url, const FetchProgress& progress) {
    return Receive(platform, host, url, progress);
}

std::optional<std::string> FetchBytes(platform::Platform& platform, ui::Host& host, std::string_view url,
                                      std::size_t maxBytes) {
    FetchResult result = Receive(platform, host, url, {}, maxBytes);
    if (!result.ok()) return std::nullopt;
    return std::move(result.text);
}

std::string FetchText(platform::Platform& platform, ui::Host& host, std::string_view url) {
    return Fetch(platform, host, url).text;
}

std::string FetchTextWithProgress(platform::Platform& platform, ui::Host& host, std::string_view url,
                                  ui::TextBox& status) {
    return Fetch(platform, host, url, [&status](const std::string& text) { status.setText(text); }).text;
}

}  // namespace sorvane::update
