#pragma once
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/registry.h"

namespace sorvane::protection {

// A browser setting that an administrator's policy forces, and hijackers plant for the same
// reason: a value, or every value of a key that holds a numbered list (start-up pages,
// forced extensions).
struct WatchedPlace {
    platform::RootKey root;
    std::string_view key;
    std::string_view value;  // the watched value; unused for a list
    bool list = false;       // every value of the key
    std::string_view browser;
};

// The browser policies the home-page shield watches, in both hives.
const std::vector<WatchedPlace>& PolicyPlaces();

// The words that name the place to the user: browser, hive and setting.
std::string PlaceName(const WatchedPlace& place);

// What a watched place held at one moment.
struct PlaceSnapshot {
    enum class State { Unreadable, Absent, Present };
    State state = State::Absent;
    // A single value: one entry under the value's name. A list: every value of the key, by name.
    std::vector<std::pair<std::string, platform::RegistryValue>> values;

    bool operator==(const PlaceSnapshot& other) const;
};

PlaceSnapshot TakeSnapshot(platform::Registry& registry, const WatchedPlace& place);

// Whether the place changed from `before` to `now`; a place that could not be read either time
// tells nothing.
bool PlaceChanged(const PlaceSnapshot& before, const PlaceSnapshot& now);

// Puts back what `before` held: values written again, values that were not there deleted, and a
// list key that was not there deleted once it is empty. True when the place holds `before` again.
bool RestoreSnapshot(platform::Registry& registry, const WatchedPlace& place, const PlaceSnapshot& before);

// Whether what is in a key or below it may have changed since the last look: at the first
// look, at every look while it cannot be watched, and when its watch says so. A key that is
// not there is watched through the nearest key above it that is.
class KeyChanges {
public:
    KeyChanges(platform::RootKey root, std::string_view path) : root_(root), path_(path) {}
    bool mayHaveChanged(platform::Registry& registry);
    // The next look is a first look again.
    void reset();

private:
    platform::RootKey root_;
    std::string path_;
    bool started_ = false;
    std::unique_ptr<platform::RegistryWatch> watch_;
};

// The snapshot as one line for the user: texts and numbers, a list joined by "; ", nothing for absent.
std::string SnapshotText(const PlaceSnapshot& snapshot);

}  // namespace sorvane::protection
