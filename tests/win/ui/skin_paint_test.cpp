#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "ui/form.h"
#include "tests/win/ui/bitmap_file.h"
#include "tests/win/ui/shown_form_test.h"
#include "ui/win32/win32_host.h"

using namespace sorvane::ui;

namespace {

struct Skinned : Form {
    explicit Skinned(Host& host) : Form(host, "frmSkinned") {
        setCaption("Skinned");
        setSize(6000, 4500);
        label = &add<Label>("lblText");
        label->setCaption("Coloured");
        label->move(120, 120, 2000, 300);
        list = &add<ListView>("lvwList");
        list->addColumn("Name", 1500);
        list->move(120, 600, 3000, 1200);
        picture = &add<PictureBox>("picBox");
        picture->move(120, 2000, 1500, 900);
        inside = &add<WebBrowser>("wbBanner", -1, picture);
        inside->move(0, 0, 3000, 900);
    }
    Label* label;
    ListView* list;
    PictureBox* picture;
    WebBrowser* inside;
};

using SkinPaintTest = ShownFormTest<Skinned>;

TEST_F(SkinPaintTest, ControlColoursReachTheNativeControls) {
    // Without colours of its own a label takes the system's.
    HDC dc = GetDC(window);
    EXPECT_EQ(SendMessageW(window, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                           reinterpret_cast<LPARAM>(of(*form->label))),
              DefWindowProcW(window, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                             reinterpret_cast<LPARAM>(of(*form->label))));
    form->label->setBackColor(RGB(10, 20, 30));
    form->label->setForeColor(RGB(200, 100, 50));
    const LRESULT brush = SendMessageW(window, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                       reinterpret_cast<LPARAM>(of(*form->label)));
    EXPECT_NE(brush, 0);
    EXPECT_EQ(GetBkColor(dc), RGB(10, 20, 30));
    EXPECT_EQ(GetTextColor(dc), RGB(200, 100, 50));
    ReleaseDC(window, dc);

    form->list->setBackColor(RGB(1, 2, 3));
    form->list->setForeColor(RGB(4, 5, 6));
    EXPECT_EQ(static_cast<COLORREF>(SendMessageW(of(*form->list), LVM_GETBKCOLOR, 0, 0)), RGB(1, 2, 3));
    EXPECT_EQ(static_cast<COLORREF>(SendMessageW(of(*form->list), LVM_GETTEXTCOLOR, 0, 0)), RGB(4, 5, 6));

    // The form's own ground lies under a label that has none.
    form->label->setBackColor(DefaultColor);
    form->setBackColor(RGB(90, 80, 70));
    dc = GetDC(window);
    EXPECT_NE(SendMessageW(window, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                           reinterpret_cast<LPARAM>(of(*form->label))),
              0);
    EXPECT_EQ(GetBkColor(dc), RGB(90, 80, 70));
    ReleaseDC(window, dc);
}

TEST_F(SkinPaintTest, WindowRegionIsTheRectangleAsked) {
    ASSERT_TRUE(host.setWindowRegion(*form, 6000, 4500));
    RECT box{};
    EXPECT_EQ(GetWindowRgnBox(window, &box), SIMPLEREGION);
    EXPECT_EQ(box.left, 0);
    EXPECT_EQ(box.top, 0);
    EXPECT_EQ(box.right, 6000);
    EXPECT_EQ(box.bottom, 4500);
}

TEST_F(SkinPaintTest, PictureBytesAreDecodedAndPaintedAndTheBoxClipsWhatItHolds) {
    HWND banner = of(*form->inside);
    ASSERT_NE(banner, nullptr);
    RECT boxArea{};
    RECT bannerArea{};
    GetClientRect(of(*form->picture), &boxArea);
    GetClientRect(banner, &bannerArea);
    EXPECT_EQ(bannerArea.right, boxArea.right);  // the browser is cut off at the box's edge

    form->inside->setImageBytes(bitmapFile(250, 10, 10));
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    RedrawWindow(banner, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    HDC dc = GetDC(banner);
    const COLORREF pixel = GetPixel(dc, 0, 0);
    const COLORREF beside = GetPixel(dc, 10, 10);
    ReleaseDC(banner, dc);
    EXPECT_EQ(pixel, RGB(250, 10, 10));
    EXPECT_NE(beside, RGB(250, 10, 10));  // the page is shown at its own size

    // Bytes that are no picture leave the area empty, without harm.
    form->inside->setImageBytes("<html>not a picture</html>");
    RedrawWindow(banner, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    dc = GetDC(banner);
    EXPECT_NE(GetPixel(dc, 0, 0), RGB(250, 10, 10));
    ReleaseDC(banner, dc);
}

}  // namespace
