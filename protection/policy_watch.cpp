#include "protection/policy_watch.h"

#include <algorithm>
#include <array>

#include "platform/trace.h"

namespace sorvane::protection {

namespace {

using platform::RootKey;
using platform::ValueType;

struct PolicyRow {
    std::string_view key;
    std::string_view value;
    bool list;
    std::string_view browser;
};

// Chrome's and Edge's policies share their names (Chrome Enterprise and Microsoft Edge policy
// references); Firefox's are those of Mozilla's policy templates. Every row is watched in both hives.
constexpr std::array<PolicyRow, 17> PolicyRows{{
    {"Software\\Policies\\Google\\Chrome", "HomepageLocation", false, "Google Chrome"},
    {"Software\\Policies\\Google\\Chrome", "NewTabPageLocation", false, "Google Chrome"},
    {"Software\\Policies\\Google\\Chrome", "DefaultSearchProviderSearchURL", false, "Google Chrome"},
    {"Software\\Policies\\Google\\Chrome", "DefaultSearchProviderName", false, "Google Chrome"},
    {"Software\\Policies\\Google\\Chrome", "DefaultSearchProviderEnabled", false, "Google Chrome"},
    {"Software\\Policies\\Google\\Chrome\\RestoreOnStartupURLs", "", true, "Google Chrome"},
    {"Software\\Policies\\Google\\Chrome\\ExtensionInstallForcelist", "", true, "Google Chrome"},
    {"Software\\Policies\\Microsoft\\Edge", "HomepageLocation", false, "Microsoft Edge"},
    {"Software\\Policies\\Microsoft\\Edge", "NewTabPageLocation", false, "Microsoft Edge"},
    {"Software\\Policies\\Microsoft\\Edge", "DefaultSearchProviderSearchURL", false, "Microsoft Edge"},
    {"Software\\Policies\\Microsoft\\Edge", "DefaultSearchProviderName", false, "Microsoft Edge"},
    {"Software\\Policies\\Microsoft\\Edge", "DefaultSearchProviderEnabled", false, "Microsoft Edge"},
    {"Software\\Policies\\Microsoft\\Edge\\RestoreOnStartupURLs", "", true, "Microsoft Edge"},
    {"Software\\Policies\\Microsoft\\Edge\\ExtensionInstallForcelist", "", true, "Microsoft Edge"},
    {"Software\\Policies\\Mozilla\\Firefox\\Homepage", "URL", false, "Mozilla Firefox"},
    {"Software\\Policies\\Mozilla\\Firefox\\SearchEngines", "Default", false, "Mozilla Firefox"},
    {"Software\\Policies\\Mozilla\\Firefox\\Extensions\\Install", "", true, "Mozilla Firefox"},
}};

bool sameValue(const platform::RegistryValue& a, const platform::RegistryValue& b) {
    return a.type == b.type && a.text == b.text && a.data == b.data;
}

bool isNotThere(platform::Status status) {
    return status.is(platform::error::FileNotFound) || status.is(platform::error::PathNotFound);
}

std::string valueText(const platform::RegistryValue& value) {
    if (value.type == ValueType::String || value.type == ValueType::ExpandString) return value.text;
    if (value.type == ValueType::Dword && value.data.size() >= 4) {
        std::uint32_t number = 0;
        for (int i = 3; i >= 0; --i) number = (number << 8) | value.data[static_cast<std::size_t>(i)];
        return std::to_string(number);
    }
    return value.text;
}

}  // namespace

const std::vector<WatchedPlace>& PolicyPlaces() {
    static const std::vector<WatchedPlace> places = [] {
        std::vector<WatchedPlace> all;
        for (const auto root : {RootKey::LocalMachine, RootKey::CurrentUser})
            for (const auto& row : PolicyRows) all.push_back({root, row.key, row.value, row.list, row.browser});
        return all;
    }();
    return places;
}

std::string PlaceName(const WatchedPlace& place) {
    std::string name(place.browser);
    name += place.root == RootKey::LocalMachine ? " (HKLM\\" : " (HKCU\\";
    name += place.key;
    if (!place.list) name += "\\" + std::string(place.value);
    return name + ")";
}

bool PlaceSnapshot::operator==(const PlaceSnapshot& other) const {
    return state == other.state && std::equal(values.begin(), values.end(), other.values.begin(), other.values.end(),
                                              [](const auto& a, const auto& b) {
                                                  return a.first == b.first && sameValue(a.second, b.second);
                                              });
}

PlaceSnapshot TakeSnapshot(platform::Registry& registry, const WatchedPlace& place) {
    PlaceSnapshot snapshot;
    const auto readOne = [&](std::string_view name) -> platform::Status {
        platform::RegistryValue value;
        const auto status = registry.queryValue(place.root, place.key, name, platform::access::QueryValue, value);
        if (status.ok()) snapshot.values.emplace_back(std::string(name), std::move(value));
        return status;
    };
    if (!place.list) {
        const auto status = readOne(place.value);
        snapshot.state = status.ok() ? PlaceSnapshot::State::Present
                         : isNotThere(status) ? PlaceSnapshot::State::Absent
                                              : PlaceSnapshot::State::Unreadable;
        return snapshot;
    }
    std::vector<std::string> names;
    const auto listed = registry.listValueNames(place.root, place.key, names);
    if (!listed.ok()) {
        snapshot.state = isNotThere(listed) ? PlaceSnapshot::State::Absent : PlaceSnapshot::State::Unreadable;
        return snapshot;
    }
    snapshot.state = PlaceSnapshot::State::Present;
    // Names in one order, so that the same list read twice compares equal.
    std::sort(names.begin(), names.end());
    for (const auto& name : names) {
        if (!readOne(name).ok()) {
            snapshot.state = PlaceSnapshot::State::Unreadable;
            snapshot.values.clear();
            break;
        }
    }
    return snapshot;
}

bool PlaceChanged(const PlaceSnapshot& before, const PlaceSnapshot& now) {
    if (before.state == PlaceSnapshot::State::Unreadable || now.state == PlaceSnapshot::State::Unreadable)
        return false;
    return !(before == now);
}

bool RestoreSnapshot(platform::Registry& registry, const WatchedPlace& place, const PlaceSnapshot& before) {
    if (before.state == PlaceSnapshot::State::Unreadable) return false;
    const auto now = TakeSnapshot(registry, place);
    if (now.state == PlaceSnapshot::State::Unreadable) return false;
    const auto kept = [&](const std::string& name) {
        return std::any_of(before.values.begin(), before.values.end(), [&](const auto& v) { return v.first == name; });
    };
    for (const auto& [name, value] : now.values)
        if (!kept(name)) platform::TraceFailure(registry.deleteValue(place.root, place.key, name), "removing a policy value");
    if (before.state == PlaceSnapshot::State::Present) {
        for (const auto& [name, value] : before.values)
            platform::TraceFailure(registry.setValue(place.root, place.key, name, value), "restoring a policy value");
    } else if (place.list && now.state == PlaceSnapshot::State::Present) {
        // The list key itself was not there; removed only when nothing else has come to live in it.
        std::uint32_t subKeys = 0, values = 0;
        if (registry.countEntries(place.root, place.key, subKeys, values).ok() && subKeys == 0 && values == 0)
            platform::TraceFailure(registry.deleteKeyTree(place.root, place.key), "removing a policy list");
    }
    return TakeSnapshot(registry, place) == before;
}

std::string SnapshotText(const PlaceSnapshot& snapshot) {
    std::string text;
    for (const auto& [name, value] : snapshot.values) {
        if (!text.empty()) text += "; ";
        text += valueText(value);
    }
    return text;
}

bool KeyChanges::mayHaveChanged(platform::Registry& registry) {
    if (started_) return !watch_ || watch_->changed();
    started_ = true;
    for (std::string path = path_;;) {
        if ((watch_ = registry.watchTree(root_, path))) break;
        if (path.empty()) break;
        const auto cut = path.rfind('\\');
        path.resize(cut == std::string::npos ? 0 : cut);
    }
    return true;
}

void KeyChanges::reset() {
    started_ = false;
    watch_.reset();
}

}  // namespace sorvane::protection
