#pragma once
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/locale.h"
#include "platform/platform.h"
#include "ui/host.h"

namespace sorvane::report {

// The data-collection endpoint; the payload follows the "=" directly.
inline constexpr std::string_view CollectionUrl = "http://data.sorvane.example/asp/getData.asp?data=";

// The system and browser processes that are never reported (compared exactly, with case).
bool IsSkippedProcess(std::string_view name);

// The names worth reporting, each in the definition files' encoding, joined by "|";
// empty when none is left.
std::string ProcessPayload(const std::vector<std::string>& names, platform::Locale& locale);
// One file name in the definitions' encoding followed by "|".
std::string FilePayload(std::string_view fileName, platform::Locale& locale);
// The collection address for a payload. Every byte outside the unreserved characters is
// percent-escaped, so that "#", "&", "%", "+", "?", blanks and high codes reach the server
// as sent; the "|" separators stay as they are.
std::string CollectionAddress(std::string_view payload);

// The automatic report of the loaded executables. Silent: a failed process query or an
// empty payload sends nothing, and the endpoint's answer or failure is not looked at.
void SendProcessList(platform::Platform& platform, ui::Host& host);

// The outcome of a manual submission: whether the endpoint took the name, and the text
// for the result label.
struct SubmissionResult {
    bool accepted = false;
    std::string text;
};
using MessageLookup = std::function<std::string(std::string_view key)>;
SubmissionResult SubmitFileName(platform::Platform& platform, ui::Host& host, std::string_view fileName,
                                const MessageLookup& message);

// What a submission sends of the typed text: the part after the last "\", "/" or drive colon.
std::string SubmittedFileName(std::string_view typed);
// What "Browse" puts in the file-name box for a chosen path: the part after the last "\".
std::string BrowsedFileName(std::string_view path);

}  // namespace sorvane::report
