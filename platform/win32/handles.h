#pragma once
#include <windows.h>
#include <commctrl.h>
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

// Handles that are null when absent, closed by `Close`.
template <typename Handle, auto Close>
struct NullableTraits {
    static Handle invalid() { return nullptr; }
    static void close(Handle h) { Close(h); }
};
// Handles that are INVALID_HANDLE_VALUE when absent.
template <auto Close>
struct InvalidValueTraits {
    static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
    static void close(HANDLE h) { Close(h); }
};

// Process, thread, token, mutex and snapshot handles (null when absent; snapshots are
// normalized to null by their creator).
using UniqueHandle = Owner<HANDLE, NullableTraits<HANDLE, CloseHandle>>;
using FileHandle = Owner<HANDLE, InvalidValueTraits<CloseHandle>>;
using FindHandle = Owner<HANDLE, InvalidValueTraits<FindClose>>;
using UniqueKey = Owner<HKEY, NullableTraits<HKEY, RegCloseKey>>;
using UniqueModule = Owner<HMODULE, NullableTraits<HMODULE, FreeLibrary>>;
using InternetHandle = Owner<HINTERNET, NullableTraits<HINTERNET, InternetCloseHandle>>;
// Windows and the drawing, icon, menu and image-list resources of the forms host.
using WindowHandle = Owner<HWND, NullableTraits<HWND, DestroyWindow>>;
using FontHandle = Owner<HFONT, NullableTraits<HFONT, DeleteObject>>;
using BitmapHandle = Owner<HBITMAP, NullableTraits<HBITMAP, DeleteObject>>;
using BrushHandle = Owner<HBRUSH, NullableTraits<HBRUSH, DeleteObject>>;
using RegionHandle = Owner<HRGN, NullableTraits<HRGN, DeleteObject>>;
using IconHandle = Owner<HICON, NullableTraits<HICON, DestroyIcon>>;
using MenuHandle = Owner<HMENU, NullableTraits<HMENU, DestroyMenu>>;
using ImageListHandle = Owner<HIMAGELIST, NullableTraits<HIMAGELIST, ImageList_Destroy>>;

}  // namespace sorvane::platform::win32
