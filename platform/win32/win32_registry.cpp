#include "platform/win32/win32_registry.h"

#include <shlwapi.h>

#include <cstring>

#include "platform/win32/handles.h"
#include "platform/win32/wide.h"

namespace sorvane::platform::win32 {
namespace {

HKEY rootHandle(RootKey root) {
    // The predefined handles are the 32-bit numbers sign-extended, as the SDK defines them.
    return reinterpret_cast<HKEY>(static_cast<LONG_PTR>(static_cast<LONG>(static_cast<std::uint32_t>(root))));
}

Status fromCode(LSTATUS code) {
    return code == ERROR_SUCCESS ? Status::success() : Status::failure(static_cast<std::uint32_t>(code));
}

Status open(RootKey root, std::string_view path, std::uint32_t rights, UniqueKey& key) {
    return fromCode(RegOpenKeyExW(rootHandle(root), widen(path).c_str(), 0, rights, key.put()));
}

Status create(RootKey root, std::string_view path, UniqueKey& key) {
    return fromCode(RegCreateKeyExW(rootHandle(root), widen(path).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                    KEY_READ | KEY_WRITE, nullptr, key.put(), nullptr));
}

// The key's changes of names and values, in it and below it, signal an event. Asked once more
// each time the event is found set, before the caller reads, so that no change goes unseen.
class Win32RegistryWatch final : public RegistryWatch {
public:
    Win32RegistryWatch(RootKey root, std::string_view path) : root_(root), path_(path) {}

    bool start() {
        event_.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
        return event_ && open(root_, path_, KEY_NOTIFY, key_).ok() && arm();
    }

    bool changed() override {
        if (lost_) {
            // Deleted: looked for again at every look, and watched again once it is back.
            key_.reset();
            lost_ = !(open(root_, path_, KEY_NOTIFY, key_).ok() && arm());
            return true;
        }
        if (WaitForSingleObject(event_.get(), 0) != WAIT_OBJECT_0) return false;
        lost_ = !arm();
        return true;
    }

private:
    bool arm() {
        constexpr DWORD filter = REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET;
        return RegNotifyChangeKeyValue(key_.get(), TRUE, filter, event_.get(), TRUE) == ERROR_SUCCESS;
    }

    RootKey root_;
    std::string path_;
    UniqueKey key_;
    UniqueHandle event_;
    bool lost_ = false;
};

// The text of string data: UTF-16 up to the first NUL (stored data need not end in one).
std::string stringText(const std::vector<std::uint8_t>& data) {
    const auto* chars = reinterpret_cast<const wchar_t*>(data.data());
    std::size_t count = data.size() / sizeof(wchar_t);
    std::size_t length = 0;
    while (length < count && chars[length] != L'\0') ++length;
    return narrow(std::wstring_view(chars, length));
}

// The kernel's full name of an open key, such as "\REGISTRY\MACHINE\SOFTWARE\WOW6432Node\Vendor".
Status kernelName(HKEY key, std::wstring& name) {
    using NtQueryKeyFn = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);
    static const auto query = reinterpret_cast<NtQueryKeyFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryKey")));
    if (!query) return Status::failure(error::NotSupported);
    constexpr int KeyNameInformation = 3;
    // KEY_NAME_INFORMATION: the name's length in bytes, then the name without a closing NUL.
    std::vector<std::uint8_t> buffer(1024);
    for (int attempt = 0; attempt < 4; ++attempt) {
        ULONG needed = 0;
        const LONG rc = query(key, KeyNameInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
        // STATUS_BUFFER_OVERFLOW and STATUS_BUFFER_TOO_SMALL: a longer name than the room given.
        if ((rc == static_cast<LONG>(0x80000005) || rc == static_cast<LONG>(0xC0000023)) && needed > buffer.size()) {
            buffer.resize(needed);
            continue;
        }
        if (rc != 0) return Status::failure(error::NotSupported);
        ULONG length = 0;
        std::memcpy(&length, buffer.data(), sizeof length);
        if (length > buffer.size() - sizeof length) return Status::failure(error::NotSupported);
        name.assign(reinterpret_cast<const wchar_t*>(buffer.data() + sizeof length), length / sizeof(wchar_t));
        return Status::success();
    }
    return Status::failure(error::NotSupported);
}

std::string_view withoutEdgeBackslashes(std::string_view path) {
    while (!path.empty() && path.front() == '\\') path.remove_prefix(1);
    while (!path.empty() && path.back() == '\\') path.remove_suffix(1);
    return path;
}

}  // namespace

Status Win32Registry::openKey(RootKey root, std::string_view path, std::uint32_t rights) {
    UniqueKey key;
    return open(root, path, rights, key);
}

Status Win32Registry::queryValue(RootKey root, std::string_view path, std::string_view name, std::uint32_t rights,
                                 RegistryValue& out) {
    out = {};
    UniqueKey key;
    if (auto s = open(root, path, rights, key); !s.ok()) return s;
    const std::wstring valueName = widen(name);
    // The value can change size between the two calls; try again while it grows.
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD type = 0;
        DWORD size = 0;
        LSTATUS rc = RegQueryValueExW(key.get(), valueName.c_str(), nullptr, &type, nullptr, &size);
        if (rc != ERROR_SUCCESS) return fromCode(rc);
        std::vector<std::uint8_t> data(size);
        rc = RegQueryValueExW(key.get(), valueName.c_str(), nullptr, &type, data.empty() ? nullptr : data.data(),
                              &size);
        if (rc == ERROR_MORE_DATA) continue;
        if (rc != ERROR_SUCCESS) return fromCode(rc);
        data.resize(size);
        out.type = static_cast<ValueType>(type);
        if (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ) out.text = stringText(data);
        out.data = std::move(data);
        return Status::success();
    }
    return Status::failure(error::MoreData);
}

Status Win32Registry::createKey(RootKey root, std::string_view path) {
    UniqueKey key;
    return create(root, path, key);
}

Status Win32Registry::setValue(RootKey root, std::string_view path, std::string_view name,
                               const RegistryValue& value) {
    UniqueKey key;
    if (auto s = create(root, path, key); !s.ok()) return s;
    const auto type = static_cast<DWORD>(value.type);
    std::vector<std::uint8_t> bytes = value.data;
    if ((value.type == ValueType::String || value.type == ValueType::ExpandString) && bytes.empty()) {
        // The text with its closing NUL, counted in the size.
        const std::wstring wide = widen(value.text);
        const auto* raw = reinterpret_cast<const std::uint8_t*>(wide.c_str());
        bytes.assign(raw, raw + (wide.size() + 1) * sizeof(wchar_t));
    }
    return fromCode(RegSetValueExW(key.get(), widen(name).c_str(), 0, type, bytes.empty() ? nullptr : bytes.data(),
                                   static_cast<DWORD>(bytes.size())));
}

Status Win32Registry::deleteValue(RootKey root, std::string_view path, std::string_view name) {
    UniqueKey key;
    if (auto s = open(root, path, KEY_SET_VALUE, key); !s.ok()) return s;
    return fromCode(RegDeleteValueW(key.get(), widen(name).c_str()));
}

Status Win32Registry::deleteKeyTree(RootKey root, std::string_view path) {
    // An empty path would name the root itself.
    if (path.find_first_not_of('\\') == std::string_view::npos) return Status::failure(error::AccessDenied);
    return fromCode(static_cast<LSTATUS>(SHDeleteKeyW(rootHandle(root), widen(path).c_str())));
}

Status Win32Registry::listSubKeys(RootKey root, std::string_view path, std::vector<std::string>& names) {
    names.clear();
    UniqueKey key;
    if (auto s = open(root, path, KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE, key); !s.ok()) return s;
    wchar_t name[256];  // key names are at most 255 characters
    for (DWORD index = 0;; ++index) {
        DWORD length = static_cast<DWORD>(std::size(name));
        const LSTATUS rc = RegEnumKeyExW(key.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS) return Status::success();
        if (rc != ERROR_SUCCESS) return fromCode(rc);
        names.push_back(narrow(std::wstring_view(name, length)));
    }
}

Status Win32Registry::listValueNames(RootKey root, std::string_view path, std::vector<std::string>& names) {
    names.clear();
    UniqueKey key;
    if (auto s = open(root, path, KEY_QUERY_VALUE, key); !s.ok()) return s;
    std::vector<wchar_t> name(16384);  // value names are at most 16,383 characters
    for (DWORD index = 0;; ++index) {
        DWORD length = static_cast<DWORD>(name.size());
        const LSTATUS rc = RegEnumValueW(key.get(), index, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS) return Status::success();
        if (rc != ERROR_SUCCESS) return fromCode(rc);
        names.push_back(narrow(std::wstring_view(name.data(), length)));
    }
}

Status Win32Registry::countEntries(RootKey root, std::string_view path, std::uint32_t& subKeys,
                                   std::uint32_t& values) {
    subKeys = values = 0;
    UniqueKey key;
    if (auto s = open(root, path, KEY_QUERY_VALUE, key); !s.ok()) return s;
    DWORD keys = 0;
    DWORD names = 0;
    const LSTATUS rc = RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &keys, nullptr, nullptr, &names, nullptr,
                                        nullptr, nullptr, nullptr);
    if (rc != ERROR_SUCCESS) return fromCode(rc);
    subKeys = keys;
    values = names;
    return Status::success();
}

Status Win32Registry::physicalPath(RootKey root, std::string_view path, std::uint32_t view, std::string& out) {
    out.clear();
    const std::string_view own = withoutEdgeBackslashes(path);
    if (own.empty()) return Status::failure(error::NotSupported);
    std::wstring viewed;
    {
        UniqueKey key;
        if (auto s = open(root, own, KEY_QUERY_VALUE | view, key); !s.ok()) return s;
        if (auto s = kernelName(key.get(), viewed); !s.ok()) return s;
    }
    // The kernel's name of the root: fixed for the machine and the users; for the others the
    // native view's name of the same key without the path.
    std::wstring rootName;
    if (root == RootKey::LocalMachine) rootName = L"\\REGISTRY\\MACHINE\\";
    if (root == RootKey::Users) rootName = L"\\REGISTRY\\USER\\";
    if (rootName.empty()) {
        std::wstring native;
        UniqueKey key;
        if (auto s = open(root, own, KEY_QUERY_VALUE | KEY_WOW64_64KEY, key); !s.ok())
            return Status::failure(error::NotSupported);
        if (auto s = kernelName(key.get(), native); !s.ok()) return s;
        const std::wstring tail = L"\\" + widen(own);
        if (native.size() < tail.size() ||
            CompareStringOrdinal(native.c_str() + native.size() - tail.size(), static_cast<int>(tail.size()),
                                 tail.c_str(), static_cast<int>(tail.size()), TRUE) != CSTR_EQUAL)
            return Status::failure(error::NotSupported);
        rootName = native.substr(0, native.size() - tail.size() + 1);
    }
    const std::size_t rootLength = rootName.size();
    if (viewed.size() <= rootLength ||
        CompareStringOrdinal(viewed.c_str(), static_cast<int>(rootLength), rootName.c_str(),
                             static_cast<int>(rootLength), TRUE) != CSTR_EQUAL)
        return Status::failure(error::NotSupported);
    out = narrow(std::wstring_view(viewed).substr(rootLength));
    return Status::success();
}

std::unique_ptr<RegistryWatch> Win32Registry::watchTree(RootKey root, std::string_view path) {
    auto watch = std::make_unique<Win32RegistryWatch>(root, path);
    if (!watch->start()) return nullptr;
    return watch;
}

}  // namespace sorvane::platform::win32
