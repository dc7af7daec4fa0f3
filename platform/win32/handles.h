#pragma once
#include <windows.h>
#include <wininet.h>

#include <utility>

// Owners of the Win32 handles: each closes its handle exactly once.
namespace sorvane::platform::win32 {

template <typename Handle, typename Traits>
class Owner {
public:
    Owner() = default;
    explicit Owner(Handle h) : handle_(h) {}
    Owner(const Owner&) = delete;
    Owner& operator=(const Owner&) = delete;
    Owner(Owner&& other) noexcept : handle_(std::exchange(other.handle_, Traits::invalid())) {}
    Owner& operator=(Owner&& other) noexcept {
        if (this != &other) reset(std::exchange(other.handle_, Traits::invalid()));
        return *this;
    }
    ~Owner() { reset(); }

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != Traits::invalid(); }
    // Out-parameter for the creating call; closes what was held first.
    Handle* put() {
        reset();
        return &handle_;
    }
    Handle release() { return std::exchange(handle_, Traits::invalid()); }
    void reset(Handle h = Traits::invalid()) {
        if (handle_ != Traits::invalid()) Traits::close(handle_);
        handle_ = h;
    }

private:
    Handle handle_ = Traits::invalid();
};

struct KernelHandleTraits {
    static HANDLE invalid() { return nullptr; }
    static void close(HANDLE h) { CloseHandle(h); }
};
struct FileHandleTraits {
    static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
    static void close(HANDLE h) { CloseHandle(h); }
};
struct FindHandleTraits {
    static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
    static void close(HANDLE h) { FindClose(h); }
};
struct KeyTraits {
    static HKEY invalid() { return nullptr; }
    static void close(HKEY h) { RegCloseKey(h); }
};
struct ModuleTraits {
    static HMODULE invalid() { return nullptr; }
    static void close(HMODULE h) { FreeLibrary(h); }
};
struct InternetTraits {
    static HINTERNET invalid() { return nullptr; }
    static void close(HINTERNET h) { InternetCloseHandle(h); }
};

// Process, thread, token, mutex and snapshot handles (null when absent; snapshots are
// normalized to null by their creator).
using UniqueHandle = Owner<HANDLE, KernelHandleTraits>;
using FileHandle = Owner<HANDLE, FileHandleTraits>;
using FindHandle = Owner<HANDLE, FindHandleTraits>;
using UniqueKey = Owner<HKEY, KeyTraits>;
using UniqueModule = Owner<HMODULE, ModuleTraits>;
using InternetHandle = Owner<HINTERNET, InternetTraits>;

}  // namespace sorvane::platform::win32
