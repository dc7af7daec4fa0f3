#include "scan/grouped_lookups.h"

#include <gtest/gtest.h>

#include <random>

#include "scan/file_tests.h"
#include "scan/registry_tools.h"
#include "tests/fakes/fake_file_system.h"
#include "tests/fakes/fake_registry.h"

namespace sorvane::scan {
namespace {

namespace attr = platform::attribute;
using platform::RootKey;

// Names that share letters in other cases, and forms the system reads its own way (short
// names, trailing dots and blanks, device names, wildcards, non-ASCII letters).
const std::vector<std::string> Names{"a",   "A",     "b",   "Vendor", "vendor", "x.dll", "X.DLL", "c d",
                                     "e~1", "dot.",  "nul", "con.txt", "tail ", "\xc3\xa9t\xc3\xa9", "*", "k"};

// Counts the calls that reach the file system, to show that grouping saves them.
class CountingFileSystem : public fakes::FakeFileSystem {
public:
    std::optional<platform::DirectoryEntry> lookup(std::string_view path) override {
        ++calls;
        return FakeFileSystem::lookup(path);
    }
    platform::Status listFolder(std::string_view folder, std::vector<platform::DirectoryEntry>& entries) override {
        ++calls;
        return FakeFileSystem::listFolder(folder, entries);
    }
    int calls = 0;
};

class CountingRegistry : public fakes::FakeRegistry {
public:
    platform::Status openKey(RootKey root, std::string_view path, std::uint32_t rights) override {
        if (!inQuery_) ++calls;
        return FakeRegistry::openKey(root, path, rights);
    }
    // One call, as the system's open-and-read is, though the fake opens the key inside it.
    platform::Status queryValue(RootKey root, std::string_view path, std::string_view name, std::uint32_t rights,
                                platform::RegistryValue& out) override {
        ++calls;
        inQuery_ = true;
        auto status = FakeRegistry::queryValue(root, path, name, rights, out);
        inQuery_ = false;
        return status;
    }
    platform::Status listSubKeys(RootKey root, std::string_view path, std::vector<std::string>& names) override {
        ++calls;
        return FakeRegistry::listSubKeys(root, path, names);
    }
    platform::Status listValueNames(RootKey root, std::string_view path, std::vector<std::string>& names) override {
        ++calls;
        return FakeRegistry::listValueNames(root, path, names);
    }
    int calls = 0;

private:
    bool inQuery_ = false;
};

class Random {
public:
    explicit Random(unsigned seed) : engine_(seed) {}
    std::size_t below(std::size_t n) { return engine_() % n; }
    bool chance(int percent) { return static_cast<int>(below(100)) < percent; }
    const std::string& name() { return Names[below(Names.size())]; }
    std::string path(std::size_t depth) {
        std::string p;
        for (std::size_t i = 0; i < depth; ++i) p += (i ? "\\" : "") + name();
        return p;
    }

private:
    std::mt19937 engine_;
};

// A path the scanners could hand over: mostly plain, sometimes in a form of its own.
std::string filePath(Random& random) {
    std::string drive = random.chance(85) ? "C:\\" : random.chance(50) ? "D:\\" : "c:\\";
    std::string path = drive + random.path(1 + random.below(4));
    switch (random.below(12)) {
    case 0: return random.path(1 + random.below(2));  // relative to the current folder
    case 1: return path + "\\";
    case 2: return drive + random.name() + "\\\\" + random.name();
    case 3: return drive.substr(0, 2);
    default: return path;
    }
}

TEST(GroupedLookups, FoldersAndFilesAnswerLikeTheTestOfEachLine) {
    for (unsigned seed = 1; seed <= 60; ++seed) {
        Random random(seed);
        fakes::FakeFileSystem files;
        if (random.chance(50)) files.addDrive("D:\\", platform::DriveType::Fixed, random.chance(70));
        files.setCurrentFolder("C:\\" + random.name());
        for (int i = 0; i < 60; ++i) {
            const std::string path = "C:\\" + random.path(1 + random.below(4));
            // Nothing can live inside a file.
            bool underFile = false;
            for (auto at = path.find('\\', 3); at != std::string::npos; at = path.find('\\', at + 1))
                underFile = underFile || (files.exists(path.substr(0, at)) && !files.isFolder(path.substr(0, at)));
            if (underFile) continue;
            if (random.chance(35)) {
                files.addFolder(path, attr::Directory | (random.chance(20) ? attr::Hidden : 0));
            } else if (!files.exists(path)) {
                const std::uint32_t kinds[] = {attr::Archive, attr::Hidden, attr::System, attr::ReadOnly,
                                               attr::Normal};
                files.addFile(path, "x", kinds[random.below(5)]);
            }
        }
        FolderListings listings(files);
        // Several batches over one listing memory, as one scan's file and folder phases make.
        for (int batch = 0; batch < 4; ++batch) {
            std::vector<std::string> fileQueries;
            std::vector<std::string> folderQueries;
            for (int i = 0; i < 80; ++i) (random.chance(60) ? fileQueries : folderQueries).push_back(filePath(random));
            listings.plan(fileQueries, folderQueries);
            for (const auto& path : fileQueries)
                ASSERT_EQ(listings.fileExists(path), FileExists(files, path)) << "file " << path << " seed " << seed;
            for (const auto& path : folderQueries)
                ASSERT_EQ(listings.folderExists(path), FolderExists(files, path))
                    << "folder " << path << " seed " << seed;
        }
        EXPECT_GT(listings.listings(), 0u);
    }
}

TEST(GroupedLookups, KeysAndValuesAnswerLikeTheTestOfEachLine) {
    const RootKey hives[] = {RootKey::CurrentUser, RootKey::LocalMachine, RootKey::DynData};
    for (unsigned seed = 1; seed <= 60; ++seed) {
        Random random(seed);
        fakes::FakeRegistry registry;
        for (int i = 0; i < 50; ++i) {
            const auto hive = hives[random.below(2)];
            const std::string key = random.path(1 + random.below(3));
            switch (random.below(6)) {
            case 0: registry.addKey(hive, key); break;
            case 1: registry.makeReadOnly(hive, key); break;
            case 2: registry.putDword(hive, key, random.name(), 7); break;
            case 3: registry.putBinary(hive, key, random.name(), {1, 2}); break;
            case 4: registry.putMultiString(hive, key, random.name(), {"m"}); break;
            default: registry.putString(hive, key, random.name(), "s"); break;
            }
        }
        KeyListings listings(registry);
        for (int batch = 0; batch < 4; ++batch) {
            std::vector<KeyListings::KeyQuery> keys;
            std::vector<KeyListings::ValueQuery> values;
            for (int i = 0; i < 80; ++i) {
                const auto hive = hives[random.below(3)];
                std::string key = random.path(1 + random.below(3));
                if (random.chance(8)) key = random.chance(50) ? "" : key + "\\";
                if (random.chance(50)) keys.push_back({hive, key});
                else values.push_back({hive, key, random.name()});
            }
            listings.plan(keys, values);
            for (const auto& q : keys)
                ASSERT_EQ(listings.keyExists(q.hive, q.key), RegistryKeyExists(registry, q.hive, q.key))
                    << "key " << q.key << " seed " << seed;
            for (const auto& q : values)
                ASSERT_EQ(listings.valueExists(q.hive, q.key, q.value),
                          RegistryValueExists(registry, q.hive, q.key, q.value))
                    << "value " << q.key << " " << q.value << " seed " << seed;
        }
        EXPECT_GT(listings.listings(), 0u);
    }
}

TEST(GroupedLookups, AMissingVendorFolderAnswersAllItsLinesAndAPresentOneIsListedOnce) {
    CountingFileSystem files;
    files.addFile("C:\\Program Files\\Present\\kept.txt");
    files.addFile("C:\\Program Files\\Present\\bad0.dll");
    files.addFile("C:\\Program Files\\Present\\hid.dll", "", attr::Hidden);
    std::vector<std::string> paths;
    for (int i = 0; i < 50; ++i) paths.push_back("C:\\Program Files\\Missing\\Sub" + std::to_string(i % 5) + "\\bad" +
                                                 std::to_string(i) + ".dll");
    for (int i = 0; i < 50; ++i) paths.push_back("C:\\Program Files\\Present\\bad" + std::to_string(i) + ".dll");
    paths.push_back("C:\\Program Files\\Present\\HID.DLL");
    FolderListings listings(files);
    listings.plan(paths, {});
    std::vector<std::string> found;
    for (const auto& path : paths)
        if (listings.fileExists(path)) found.push_back(path);
    EXPECT_EQ(found, std::vector<std::string>{"C:\\Program Files\\Present\\bad0.dll"});
    // Program Files and Present are listed; Missing is settled by its parent's listing.
    EXPECT_EQ(files.calls, 2);
}

TEST(GroupedLookups, PresentKeysStillNeedTheScansRightsAndMissingOnesCostNothingMore) {
    CountingRegistry registry;
    registry.addKey(RootKey::CurrentUser, "Software\\Other");
    registry.makeReadOnly(RootKey::CurrentUser, "Software\\Vendor\\Locked");
    registry.putString(RootKey::CurrentUser, "Software\\Vendor\\Open", "v", "x");
    registry.putBinary(RootKey::CurrentUser, "Software\\Vendor\\Open", "bin", {1});
    std::vector<KeyListings::KeyQuery> keys;
    for (int i = 0; i < 40; ++i) keys.push_back({RootKey::CurrentUser, "Software\\Gone" + std::to_string(i) + "\\K"});
    keys.push_back({RootKey::CurrentUser, "Software\\Vendor\\Locked"});
    keys.push_back({RootKey::CurrentUser, "Software\\Vendor\\Open"});
    std::vector<KeyListings::ValueQuery> values;
    for (auto name : {"v", "bin", "missing", "V"}) values.push_back({RootKey::CurrentUser, "Software\\Vendor\\Open", name});
    KeyListings listings(registry);
    listings.plan(keys, values);
    registry.calls = 0;
    int present = 0;
    for (const auto& q : keys) present += listings.keyExists(q.hive, q.key) ? 1 : 0;
    EXPECT_EQ(present, 2);  // the read-only key is there all the same
    // Only the two present keys are opened; the forty missing ones are settled by one listing.
    EXPECT_EQ(registry.calls, 2);
    registry.calls = 0;
    std::vector<bool> answers;
    for (const auto& q : values) answers.push_back(listings.valueExists(q.hive, q.key, q.value));
    EXPECT_EQ(answers, (std::vector<bool>{true, false, false, true}));
    EXPECT_EQ(registry.calls, 3);  // the listed names are read; the missing one costs nothing
}

}  // namespace
}  // namespace sorvane::scan
