#include "report/data_submission.h"

#include <array>

#include "definitions/encoding.h"
#include "platform/text.h"
#include "update/fetch.h"

namespace sorvane::report {

namespace {

bool unreserved(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
           c == '_' || c == '~';
}

}  // namespace

bool IsSkippedProcess(std::string_view name) {
    static constexpr std::array<std::string_view, 8> skipped{
        "System",       "System Idle Process", "winlogon.exe", "services.exe",
        "svchost.exe",  "explorer.exe",        "firefox.exe",  "iexplore.exe"};
    for (auto entry : skipped)
        if (entry == name) return true;
    return false;
}

std::string ProcessPayload(const std::vector<std::string>& names, platform::Locale& locale) {
    std::string payload;
    for (const auto& name : names) {
        if (IsSkippedProcess(name)) continue;
        if (!payload.empty()) payload += '|';
        payload += definitions::EncodeLine(locale.toAnsi(name));
    }
    return payload;
}

std::string FilePayload(std::string_view fileName, platform::Locale& locale) {
    return definitions::EncodeLine(locale.toAnsi(fileName)) + "|";
}

std::string CollectionAddress(std::string_view payload) {
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string address(CollectionUrl);
    for (char ch : payload) {
        const auto c = static_cast<unsigned char>(ch);
        if (unreserved(c) || c == '|') {
            address += ch;
        } else {
            address += '%';
            address += hex[c >> 4];
            address += hex[c & 0xF];
        }
    }
    return address;
}

void SendProcessList(platform::Platform& platform, ui::Host& host) {
    std::vector<std::string> names;
    if (!platform.processes.processNames(names).ok()) return;
    const std::string payload = ProcessPayload(names, platform.locale);
    if (payload.empty()) return;
    (void)update::FetchText(platform, host, CollectionAddress(payload));
}

SubmissionResult SubmitFileName(platform::Platform& platform, ui::Host& host, std::string_view fileName,
                                const MessageLookup& message) {
    // A typed or pasted path names its folders, often the user's own name among them: only
    // the file's name leaves the machine.
    const std::string name = SubmittedFileName(fileName);
    const std::string answer = update::FetchText(platform, host, CollectionAddress(FilePayload(name, platform.locale)));
    SubmissionResult result;
    result.accepted = text::containsNoCase(answer, "Skipped") || text::containsNoCase(answer, "Added");
    if (result.accepted)
        result.text = message("MSG_RESULTS") + " " + name + " " + message("MSG_RESULTS_THANK");
    else
        result.text = message("MSG_RESULTS") + " " + message("MSG_PROBLEM") + " " + name + ".  " +
                      message("MSG_PROBLEM2");
    return result;
}

std::string SubmittedFileName(std::string_view typed) {
    const auto separator = typed.find_last_of("\\/:");
    return std::string(separator == std::string_view::npos ? typed : typed.substr(separator + 1));
}

std::string BrowsedFileName(std::string_view path) {
    const auto slash = path.rfind('\\');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

}  // namespace sorvane::report
