// The grouped lookups against the real system: listings and single tests must agree on
// every path, including the forms the system reads its own way.
#include <gtest/gtest.h>

#include <random>

#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_registry.h"
#include "scan/file_tests.h"
#include "scan/grouped_lookups.h"
#include "scan/registry_tools.h"
#include "tests/win/platform/win_test_support.h"

using namespace sorvane;
using platform::RootKey;
using platform::win32::narrow;
using platform::win32::widen;

namespace {

const std::vector<std::string> Names{"a",        "A",        "Vendor", "VENDOR", "x.dll", "X.Dll",  "c d",
                                     "LongFolderName", "LONGFO~1", "dot.", "nul", "tail ", "\xc3\xa9t\xc3\xa9",
                                     "k"};

// A tree in the temp folder that only this test makes; removed with everything in it.
class PlantedTree {
public:
    PlantedTree() {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        root_ = narrow(temp) + wintest::uniqueName("sorvane_grouped_");
        CreateDirectoryW(widen(root_).c_str(), nullptr);
    }
    ~PlantedTree() { remove(widen(root_)); }
    const std::string& root() const { return root_; }

private:
    static void remove(const std::wstring& folder) {
        WIN32_FIND_DATAW data{};
        HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                const std::wstring name = data.cFileName;
                if (name == L"." || name == L"..") continue;
                const std::wstring path = folder + L"\\" + name;
                SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) remove(path);
                else DeleteFileW(path.c_str());
            } while (FindNextFileW(find, &data));
            FindClose(find);
        }
        RemoveDirectoryW(folder.c_str());
    }
    std::string root_;
};

std::string randomPath(std::mt19937& random, std::size_t depth) {
    std::string path;
    for (std::size_t i = 0; i < depth; ++i) path += (i ? "\\" : "") + Names[random() % Names.size()];
    return path;
}

}  // namespace

TEST(GroupedLookupsWin, ListingsAnswerLikeSingleLookups) {
    PlantedTree tree;
    platform::win32::Win32FileSystem files;
    std::mt19937 random(5);
    for (int i = 0; i < 60; ++i) {
        const std::string path = tree.root() + "\\" + randomPath(random, 1 + random() % 3);
        if (random() % 3 == 0) {
            (void)files.createFolder(path);
        } else {
            const DWORD kinds[] = {FILE_ATTRIBUTE_NORMAL, FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_SYSTEM,
                                   FILE_ATTRIBUTE_READONLY};
            HANDLE h = CreateFileW(widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, kinds[random() % 4],
                                   nullptr);
            if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
        }
    }
    scan::FolderListings listings(files);
    int present = 0;
    for (int batch = 0; batch < 3; ++batch) {
        std::vector<std::string> fileQueries;
        std::vector<std::string> folderQueries;
        for (int i = 0; i < 150; ++i) {
            std::string path = tree.root() + "\\" + randomPath(random, 1 + random() % 3);
            if (random() % 10 == 0) path += "\\";
            (random() % 2 ? fileQueries : folderQueries).push_back(path);
        }
        listings.plan(fileQueries, folderQueries);
        for (const auto& path : fileQueries) {
            const bool expected = scan::FileExists(files, path);
            present += expected;
            ASSERT_EQ(listings.fileExists(path), expected) << path;
        }
        for (const auto& path : folderQueries) {
            const bool expected = scan::FolderExists(files, path);
            present += expected;
            ASSERT_EQ(listings.folderExists(path), expected) << path;
        }
    }
    EXPECT_GT(present, 0);
    EXPECT_GT(listings.listings(), 0u);
}

TEST(GroupedLookupsWin, KeyListingsAnswerLikeSingleOpens) {
    const std::string base = "Software\\" + wintest::uniqueName("SorvaneGroupedTest");
    platform::win32::Win32Registry registry;
    std::mt19937 random(9);
    for (int i = 0; i < 40; ++i) {
        const std::string key = base + "\\" + randomPath(random, 1 + random() % 2);
        const std::string name = Names[random() % Names.size()];
        switch (random() % 4) {
        case 0: (void)registry.createKey(RootKey::CurrentUser, key); break;
        case 1: scan::SetRegistryValue(registry, RootKey::CurrentUser, key, name, scan::RegistryData{7u}); break;
        case 2: {
            platform::RegistryValue binary;
            binary.type = platform::ValueType::Binary;
            binary.data = {1, 2};
            (void)registry.setValue(RootKey::CurrentUser, key, name, binary);
            break;
        }
        default: (void)registry.setString(RootKey::CurrentUser, key, name, "s"); break;
        }
    }
    scan::KeyListings listings(registry);
    std::vector<scan::KeyListings::KeyQuery> keys;
    std::vector<scan::KeyListings::ValueQuery> values;
    for (int i = 0; i < 200; ++i) {
        const std::string key = base + "\\" + randomPath(random, 1 + random() % 2);
        if (random() % 2) keys.push_back({RootKey::CurrentUser, key});
        else values.push_back({RootKey::CurrentUser, key, Names[random() % Names.size()]});
    }
    listings.plan(keys, values);
    int present = 0;
    for (const auto& q : keys) {
        const bool expected = scan::RegistryKeyExists(registry, q.hive, q.key);
        present += expected;
        EXPECT_EQ(listings.keyExists(q.hive, q.key), expected) << q.key;
    }
    for (const auto& q : values) {
        const bool expected = scan::RegistryValueExists(registry, q.hive, q.key, q.value);
        present += expected;
        EXPECT_EQ(listings.valueExists(q.hive, q.key, q.value), expected) << q.key << " " << q.value;
    }
    RegDeleteTreeW(HKEY_CURRENT_USER, widen(base).c_str());
    EXPECT_GT(present, 0);
    EXPECT_GT(listings.listings(), 0u);
}
