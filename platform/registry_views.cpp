#include <array>

#include "platform/registry.h"
#include "platform/text.h"

namespace sorvane::platform {
namespace {

// The COM keys of a classes key that each view keeps for itself.
constexpr std::array<std::string_view, 5> RedirectedClassKeys{"clsid", "directshow", "interface", "media type",
                                                              "mediafoundation"};

// Keys below HKLM\SOFTWARE that both views share although SOFTWARE itself is redirected.
constexpr std::string_view SharedSoftwareKeys[] = {
    "clients",
    "microsoft\\com3",
    "microsoft\\cryptography\\calais\\current",
    "microsoft\\cryptography\\calais\\readers",
    "microsoft\\cryptography\\services",
    "microsoft\\ctf\\systemshared",
    "microsoft\\ctf\\tip",
    "microsoft\\dfs",
    "microsoft\\driver signing",
    "microsoft\\enterprisecertificates",
    "microsoft\\eventsystem",
    "microsoft\\msmq",
    "microsoft\\non-driver signing",
    "microsoft\\notepad\\defaultfonts",
    "microsoft\\ole",
    "microsoft\\ras",
    "microsoft\\rpc",
    "microsoft\\shared tools\\msinfo",
    "microsoft\\systemcertificates",
    "microsoft\\termservlicensing",
    "microsoft\\transaction server",
    "microsoft\\windows\\currentversion\\app management",
    "microsoft\\windows\\currentversion\\control panel\\cursors\\schemes",
    "microsoft\\windows\\currentversion\\explorer\\autoplayhandlers",
    "microsoft\\windows\\currentversion\\explorer\\driveicons",
    "microsoft\\windows\\currentversion\\explorer\\kindmap",
    "microsoft\\windows\\currentversion\\group policy",
    "microsoft\\windows\\currentversion\\policies",
    "microsoft\\windows\\currentversion\\previewhandlers",
    "microsoft\\windows\\currentversion\\setup",
    "microsoft\\windows\\currentversion\\telephony\\locations",
    "microsoft\\windows nt\\currentversion\\console",
    "microsoft\\windows nt\\currentversion\\fontdpi",
    "microsoft\\windows nt\\currentversion\\fontlink",
    "microsoft\\windows nt\\currentversion\\fontmapper",
    "microsoft\\windows nt\\currentversion\\fonts",
    "microsoft\\windows nt\\currentversion\\fontsubstitutes",
    "microsoft\\windows nt\\currentversion\\gre_initialize",
    "microsoft\\windows nt\\currentversion\\image file execution options",
    "microsoft\\windows nt\\currentversion\\languagepack",
    "microsoft\\windows nt\\currentversion\\networkcards",
    "microsoft\\windows nt\\currentversion\\perflib",
    "microsoft\\windows nt\\currentversion\\ports",
    "microsoft\\windows nt\\currentversion\\print",
    "microsoft\\windows nt\\currentversion\\profilelist",
    "microsoft\\windows nt\\currentversion\\time zones",
    "policies",
    "registeredapplications",
};

struct Decision {
    bool affected = false;     // the table speaks of the key
    bool redirected = false;
    std::size_t decidingParts = 0;  // how many names of the path the deciding entry spans
    std::size_t insertAt = 0;       // where WOW6432Node goes among the names
};

std::vector<std::string> names(std::string_view path) {
    std::vector<std::string> parts;
    for (const auto& piece : text::split(path, "\\"))
        if (!piece.empty()) parts.push_back(piece);
    return parts;
}

// The names of each shared key, split once.
const std::vector<std::vector<std::string>>& sharedSoftwareNames() {
    static const auto split = [] {
        std::vector<std::vector<std::string>> all;
        for (auto entry : SharedSoftwareKeys) all.push_back(names(entry));
        return all;
    }();
    return split;
}

// Whether `lower` (lower-cased names) starts with `wanted`, counted from `from`: how many names matched.
std::size_t matches(const std::vector<std::string>& lower, std::size_t from, const std::vector<std::string>& wanted) {
    if (lower.size() < from + wanted.size()) return 0;
    for (std::size_t i = 0; i < wanted.size(); ++i)
        if (lower[from + i] != wanted[i]) return 0;
    return wanted.size();
}

Decision decide(RootKey root, const std::vector<std::string>& lower) {
    Decision d;
    for (const auto& part : lower)
        if (part == "wow6432node") return d;  // the 32-bit copy itself
    // Where a classes key's own names start: HKCR itself, ...\Software\Classes, or a user's "<sid>_Classes".
    std::optional<std::size_t> classes;
    if (root == RootKey::ClassesRoot) classes = 0;
    static const std::vector<std::string> softwareClasses{"software", "classes"};
    if ((root == RootKey::LocalMachine || root == RootKey::CurrentUser) && matches(lower, 0, softwareClasses))
        classes = 2;
    if (root == RootKey::Users && matches(lower, 1, softwareClasses)) classes = 3;
    if (root == RootKey::Users && !lower.empty() && lower[0].ends_with("_classes")) classes = 1;
    if (classes) {
        if (lower.size() > *classes) {
            for (auto key : RedirectedClassKeys) {
                if (lower[*classes] != key) continue;
                return Decision{true, true, *classes + 1, *classes};
            }
        }
        // Since Windows 7 the rest of the classes is one key for both views.
        if (root == RootKey::LocalMachine) return Decision{true, false, 2, 0};
        return d;
    }
    if (root != RootKey::LocalMachine || lower.empty() || lower[0] != "software") return d;
    for (const auto& entry : sharedSoftwareNames())
        if (const auto count = matches(lower, 1, entry)) return Decision{true, false, count + 1, 0};
    return Decision{true, true, 1, 1};
}

std::string joined(const std::vector<std::string>& parts, std::size_t count) {
    std::string out;
    for (std::size_t i = 0; i < count && i < parts.size(); ++i) {
        if (i) out += '\\';
        out += parts[i];
    }
    return out;
}

}  // namespace

// Whether the table can speak of the path at all, asked without making any text: most lines of a
// definition file name keys of the user's own software, which both views share.
static bool mayBeAffected(RootKey root, std::string_view path) {
    while (!path.empty() && path.front() == '\\') path.remove_prefix(1);
    const auto startsWith = [&](std::string_view prefix) {
        return path.size() >= prefix.size() && text::equalsNoCase(path.substr(0, prefix.size()), prefix);
    };
    switch (root) {
    case RootKey::LocalMachine: return startsWith("software");
    case RootKey::CurrentUser: return startsWith("software\\classes");
    case RootKey::Users: return text::findNoCase(path, "classes") != std::string_view::npos;
    case RootKey::ClassesRoot: return true;
    default: return false;
    }
}

std::optional<std::string> Wow64RedirectedPath(RootKey root, std::string_view path) {
    if (!mayBeAffected(root, path)) return std::nullopt;
    auto parts = names(path);
    std::vector<std::string> lower;
    for (const auto& part : parts) lower.push_back(text::toLower(part));
    const auto d = decide(root, lower);
    if (!d.redirected) return std::nullopt;
    parts.insert(parts.begin() + static_cast<std::ptrdiff_t>(d.insertAt), "WOW6432Node");
    return joined(parts, parts.size());
}

std::string Wow64DecidingKey(RootKey root, std::string_view path) {
    if (!mayBeAffected(root, path)) return {};
    const auto parts = names(path);
    std::vector<std::string> lower;
    for (const auto& part : parts) lower.push_back(text::toLower(part));
    const auto d = decide(root, lower);
    return d.affected ? joined(parts, d.decidingParts) : std::string();
}

}  // namespace sorvane::platform
