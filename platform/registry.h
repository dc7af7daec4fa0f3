#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/status.h"

namespace sorvane::platform {

// The predefined root keys, numbered as the Win32 handles so that a root can be
// written into a list row as decimal text and read back.
enum class RootKey : std::uint32_t {
    ClassesRoot = 0x80000000u,
    CurrentUser = 0x80000001u,
    LocalMachine = 0x80000002u,
    Users = 0x80000003u,
    CurrentConfig = 0x80000005u,
    DynData = 0x80000006u,
};

// Win32 access rights, as passed to RegOpenKeyEx.
namespace access {
inline constexpr std::uint32_t QueryValue = 0x0001;
inline constexpr std::uint32_t SetValue = 0x0002;
inline constexpr std::uint32_t CreateSubKey = 0x0004;
inline constexpr std::uint32_t EnumerateSubKeys = 0x0008;
inline constexpr std::uint32_t Notify = 0x0010;
inline constexpr std::uint32_t CreateLink = 0x0020;
inline constexpr std::uint32_t Delete = 0x00010000;  // DELETE, the standard right to delete the object
inline constexpr std::uint32_t Read = 0x20019;
inline constexpr std::uint32_t Write = 0x20006;
inline constexpr std::uint32_t AllAccess = 0xF003F;
// What the scanners ask for to test that a key or value exists: reading only, so that a
// machine-wide trace a standard or filtered token may read but not change is still found.
inline constexpr std::uint32_t ScanAccess = QueryValue;
// What a recursive key delete needs on the key (RegDeleteTree: DELETE, enumerate, query).
inline constexpr std::uint32_t RemoveKeyAccess = Delete | EnumerateSubKeys | QueryValue;
// Which view of a 64-bit system's registry a key is opened in; ignored on 32-bit Windows.
inline constexpr std::uint32_t Wow64Key64 = 0x0100;  // KEY_WOW64_64KEY: the native programs' view
inline constexpr std::uint32_t Wow64Key32 = 0x0200;  // KEY_WOW64_32KEY: the 32-bit programs' view
}  // namespace access

enum class ValueType : std::uint32_t {
    None = 0,
    String = 1,        // REG_SZ
    ExpandString = 2,  // REG_EXPAND_SZ
    Binary = 3,
    Dword = 4,
    Link = 6,
    MultiString = 7,
    Qword = 11,
};

struct RegistryValue {
    ValueType type = ValueType::None;
    // String types: the text up to the first NUL, as UTF-8. Other types: empty.
    std::string text;
    // The raw data as stored.
    std::vector<std::uint8_t> data;
};

// Says whether anything in one key or below it changed since it last looked
// (RegNotifyChangeKeyValue): far cheaper than reading what it guards again.
class RegistryWatch {
public:
    virtual ~RegistryWatch() = default;
    // True once for the changes since the watch began or since it last said true; true at
    // every look while the watch is lost (its key was deleted and is not there again), so
    // that its caller reads as it would without one.
    virtual bool changed() = 0;
};

// The system registry. Key paths are below the root, backslash separated, without a
// leading backslash; names compare without regard to case as Windows does.
class Registry {
public:
    virtual ~Registry() = default;

    // Opens and closes the key with the given rights: succeeds only when every right is granted.
    virtual Status openKey(RootKey root, std::string_view path, std::uint32_t rights) = 0;
    // Reads a value of a key opened with the given rights. An empty name is the key's default value.
    virtual Status queryValue(RootKey root, std::string_view path, std::string_view name, std::uint32_t rights,
                              RegistryValue& out) = 0;
    // Creates the key and any missing parents.
    virtual Status createKey(RootKey root, std::string_view path) = 0;
    // Creates the key when needed and stores the text as REG_SZ.
    Status setString(RootKey root, std::string_view path, std::string_view name, std::string_view text) {
        RegistryValue value;
        value.type = ValueType::String;
        value.text = std::string(text);
        return setValue(root, path, name, value);
    }
    virtual Status setValue(RootKey root, std::string_view path, std::string_view name, const RegistryValue& value) = 0;
    virtual Status deleteValue(RootKey root, std::string_view path, std::string_view name) = 0;
    // Deletes the key with all its sub-keys and values.
    virtual Status deleteKeyTree(RootKey root, std::string_view path) = 0;
    virtual Status listSubKeys(RootKey root, std::string_view path, std::vector<std::string>& names) = 0;
    virtual Status listValueNames(RootKey root, std::string_view path, std::vector<std::string>& names) = 0;
    // How many sub-keys and values the key holds, without listing them where the system can tell.
    virtual Status countEntries(RootKey root, std::string_view path, std::uint32_t& subKeys, std::uint32_t& values) {
        std::vector<std::string> names;
        if (auto s = listSubKeys(root, path, names); !s.ok()) return s;
        subKeys = static_cast<std::uint32_t>(names.size());
        if (auto s = listValueNames(root, path, names); !s.ok()) return s;
        values = static_cast<std::uint32_t>(names.size());
        return Status::success();
    }
    // A watch on the key and everything below it, set before the caller's first read; nothing
    // when the key cannot be opened for it or the system cannot watch, and the caller then
    // reads every time.
    virtual std::unique_ptr<RegistryWatch> watchTree(RootKey root, std::string_view path) {
        (void)root, (void)path;
        return nullptr;
    }
    // Where the key opened in `view` (access::Wow64Key32 or Wow64Key64) is stored, as a path below
    // the same root that the native view opens: "SOFTWARE\WOW6432Node\Vendor" for "SOFTWARE\Vendor"
    // in the 32-bit view of a 64-bit system, the path itself for a key both views share. Fails when
    // the key is not there in that view, or with error::NotSupported when the system cannot tell.
    virtual Status physicalPath(RootKey root, std::string_view path, std::uint32_t view, std::string& out) {
        (void)root, (void)path, (void)view;
        out.clear();
        return Status::failure(error::NotSupported);
    }
};

// Where the 32-bit programs of a 64-bit Windows 7 or later keep a key of their own, by the table of
// Microsoft's "Registry Keys Affected by WOW64": HKLM\SOFTWARE and the COM keys of the classes
// (CLSID, DirectShow, Interface, Media Type, MediaFoundation) are redirected to a WOW6432Node below
// them, except the keys the table lists as shared; HKCU\Software, HKLM\SYSTEM and everything else
// is one key for both. The answer is the redirected key as a path the native view opens
// ("SOFTWARE\WOW6432Node\Vendor"), spelled as given; nothing for a key both views share and for a
// path that already names a WOW6432Node copy.
std::optional<std::string> Wow64RedirectedPath(RootKey root, std::string_view path);

// The documented key that decides `path`'s answer above: the longest entry of the table that is
// `path` or holds it, below the same root; empty when no entry does (the key is shared).
std::string Wow64DecidingKey(RootKey root, std::string_view path);

}  // namespace sorvane::platform
