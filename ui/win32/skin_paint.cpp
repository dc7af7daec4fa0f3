// Colours, pictures and window regions of the win32 host: what the skin layer asks of real windows.
#include <objidl.h>
#include <gdiplus.h>
#include <shlwapi.h>

#include <algorithm>

#include "platform/win32/library_search.h"
#include "ui/win32/host_impl.h"

namespace sorvane::ui {

using namespace win32;

namespace {

COLORREF colorOf(Color color) { return static_cast<COLORREF>(color) & 0x00FFFFFFu; }

// GDI+ started once for the process's life; its codecs decode the pictures. Loaded only when
// a picture first comes, since nothing on the way to the main window needs it; a system
// without it shows no picture rather than ending at the first call into it.
bool gdiplusReady() {
    static const bool ready = [] {
        if (!platform::win32::LoadDelayLoadedLibrary(L"gdiplus.dll").ok()) return false;
        Gdiplus::GdiplusStartupInput input;
        ULONG_PTR token = 0;
        return Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok;
    }();
    return ready;
}

// An encoded image (PNG, GIF, JPEG, BMP) as a bitmap; null when it cannot be decoded.
HBITMAP decodeImage(const std::string& bytes) {
    if (bytes.empty() || bytes.size() > 0x7FFFFFFF || !gdiplusReady()) return nullptr;
    IStream* stream = SHCreateMemStream(reinterpret_cast<const BYTE*>(bytes.data()), static_cast<UINT>(bytes.size()));
    if (stream == nullptr) return nullptr;
    HBITMAP result = nullptr;
    Gdiplus::GpBitmap* image = nullptr;
    if (Gdiplus::DllExports::GdipCreateBitmapFromStream(stream, &image) == Gdiplus::Ok && image != nullptr) {
        if (Gdiplus::DllExports::GdipCreateHBITMAPFromBitmap(image, &result, 0xFFFFFFFF) != Gdiplus::Ok)
            result = nullptr;
        Gdiplus::DllExports::GdipDisposeImage(image);
    }
    stream->Release();
    return result;
}

}  // namespace

void Win32Host::Impl::applyColors(ControlView& view, bool repaint) {
    const Control& control = *view.control;
    view.brush.reset(control.backColor() == DefaultColor ? nullptr : CreateSolidBrush(colorOf(control.backColor())));
    if (view.window == nullptr) return;
    if (view.kind == Kind::List) {
        const COLORREF back = control.backColor() == DefaultColor ? GetSysColor(COLOR_WINDOW) : colorOf(control.backColor());
        const COLORREF fore =
            control.foreColor() == DefaultColor ? GetSysColor(COLOR_WINDOWTEXT) : colorOf(control.foreColor());
        SendMessageW(view.window, LVM_SETBKCOLOR, 0, static_cast<LPARAM>(back));
        SendMessageW(view.window, LVM_SETTEXTBKCOLOR, 0, static_cast<LPARAM>(back));
        SendMessageW(view.window, LVM_SETTEXTCOLOR, 0, static_cast<LPARAM>(fore));
    }
    if (repaint) InvalidateRect(view.window, nullptr, TRUE);
}

void Win32Host::Impl::applyFormColors(FormView& view) {
    const Color color = view.form->backColor();
    view.brush.reset(color == DefaultColor ? nullptr : CreateSolidBrush(colorOf(color)));
    if (view.window) InvalidateRect(view.window.get(), nullptr, TRUE);
}

HBRUSH Win32Host::Impl::controlColor(FormView& form, HDC dc, HWND window) {
    ControlView* found = nullptr;
    for (auto& control : form.controls)
        if (control->window == window) found = control.get();
    if (found == nullptr) return nullptr;
    const Control& control = *found->control;
    // A control without a ground of its own stands on the form's.
    HBRUSH brush = found->brush ? found->brush.get() : form.brush.get();
    const Color back = control.backColor() != DefaultColor ? control.backColor() : form.form->backColor();
    if (drawnAsLink(control) && control.foreColor() == DefaultColor) {
        SetTextColor(dc, GetSysColor(COLOR_HOTLIGHT));
        if (brush == nullptr || back == DefaultColor) {
            SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
            return GetSysColorBrush(COLOR_BTNFACE);
        }
    }
    if (brush == nullptr || back == DefaultColor) return nullptr;
    SetBkColor(dc, colorOf(back));
    if (control.foreColor() != DefaultColor) SetTextColor(dc, colorOf(control.foreColor()));
    return brush;
}

bool Win32Host::Impl::eraseWithFormColor(FormView& form, HWND window, HDC dc) {
    if (!form.brush) return false;
    RECT area{};
    GetClientRect(window, &area);
    FillRect(dc, &area, form.brush.get());
    return true;
}

void Win32Host::Impl::decodePicture(ControlView& view) {
    view.bitmap.reset(decodeImage(static_cast<const PictureBox&>(*view.control).imageBytes()));
    if (view.window) InvalidateRect(view.window, nullptr, TRUE);
}

void Win32Host::Impl::paintPicture(ControlView& view, HDC dc) {
    RECT area{};
    GetClientRect(view.window, &area);
    HBRUSH ground = view.brush ? view.brush.get() : (view.owner->brush ? view.owner->brush.get() : GetSysColorBrush(COLOR_BTNFACE));
    FillRect(dc, &area, ground);
    if (!view.bitmap) return;
    BITMAP info{};
    if (GetObjectW(view.bitmap.get(), sizeof info, &info) == 0) return;
    HDC memory = CreateCompatibleDC(dc);
    if (memory == nullptr) return;
    HGDIOBJ old = SelectObject(memory, view.bitmap.get());
    // The page is shown at its own size from the top-left corner; what does not fit is cut off.
    BitBlt(dc, 0, 0, std::min<int>(info.bmWidth, area.right), std::min<int>(info.bmHeight, area.bottom), memory, 0, 0,
           SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
}

bool Win32Host::Impl::setRegion(FormView& form, int width, int height) {
    if (!form.window) return false;
    platform::win32::RegionHandle region(CreateRectRgn(0, 0, width, height));
    if (!region) return false;
    // The window owns the region once it accepted it.
    if (SetWindowRgn(form.window.get(), region.get(), TRUE) == 0) return false;
    (void)region.release();
    return true;
}

bool Win32Host::setWindowRegion(Form& form, int width, int height) {
    FormView* view = impl_->viewOf(form);
    return view != nullptr && impl_->setRegion(*view, width, height);
}

}  // namespace sorvane::ui
