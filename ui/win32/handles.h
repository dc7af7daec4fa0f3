#pragma once
#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <type_traits>

namespace sorvane::ui::win32 {

// Owning types for the handles the host creates; each releases with its own function.
template <class H, auto Release>
struct HandleDeleter {
    void operator()(H handle) const noexcept { Release(handle); }
};
template <class H, auto Release>
using Owned = std::unique_ptr<std::remove_pointer_t<H>, HandleDeleter<H, Release>>;

inline void destroyWindow(HWND w) noexcept { DestroyWindow(w); }
inline void deleteFont(HFONT f) noexcept { DeleteObject(f); }
inline void deleteBitmap(HBITMAP b) noexcept { DeleteObject(b); }
inline void destroyIcon(HICON i) noexcept { DestroyIcon(i); }
inline void destroyMenu(HMENU m) noexcept { DestroyMenu(m); }
inline void destroyImageList(HIMAGELIST l) noexcept { ImageList_Destroy(l); }

using WindowHandle = Owned<HWND, destroyWindow>;
using FontHandle = Owned<HFONT, deleteFont>;
using BitmapHandle = Owned<HBITMAP, deleteBitmap>;
using IconHandle = Owned<HICON, destroyIcon>;
using MenuHandle = Owned<HMENU, destroyMenu>;
using ImageListHandle = Owned<HIMAGELIST, destroyImageList>;

}  // namespace sorvane::ui::win32
