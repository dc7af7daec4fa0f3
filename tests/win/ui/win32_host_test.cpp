#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <stdexcept>
#include <vector>

#include "ui/form.h"
#include "tests/fakes/fake_trace.h"
#include "tests/win/ui/shown_form_test.h"
#include "ui/win32/win32_host.h"

using namespace sorvane::ui;

namespace {

struct AllControls : Form {
    explicit AllControls(Host& host) : Form(host, "frmAll") {
        setCaption("All Controls");
        setSize(9000, 7500);
        title = &add<Label>("lblTitle");
        title->setCaption("Hello");
        title->move(120, 120, 2000, 300);
        go = &add<CommandButton>("cmdGo");
        go->setCaption("Go");
        go->move(2400, 120, 1200, 400);
        frame = &add<Frame>("fraMode");
        frame->setCaption("Mode");
        frame->move(120, 700, 3600, 1500);
        mode0 = &add<OptionButton>("optMode", 0, frame);
        mode0->setCaption("Quick");
        mode0->move(150, 300, 1500, 300);
        mode1 = &add<OptionButton>("optMode", 1, frame);
        mode1->setCaption("Complete");
        mode1->move(150, 750, 1500, 300);
        other = &add<OptionButton>("optOther");
        other->setCaption("Elsewhere");
        other->move(4000, 700, 1500, 300);
        check = &add<CheckBox>("chkThing");
        check->setCaption("Thing");
        check->move(4000, 1200, 1500, 300);
        timer = &add<Timer>("tmrTick");
        timer->onTimer = [this] { ++ticks; };
        auto& file = add<Menu>("mnuFile");
        file.setCaption("File");
        add<Menu>("mnuFileItem", 0, &file).setCaption("Scan Now");
        add<Menu>("mnuFileItem", 1, &file).setCaption("-");
        add<Menu>("mnuFileItem", 2, &file).setCaption("Exit");
        list = &add<ListView>("lvwFound");
        list->setCheckBoxes(true);
        list->addColumn("Name", 2000);
        list->addColumn("Where", 2000);
        list->move(120, 2400, 5000, 1800);
        bar = &add<ProgressBar>("pb1");
        bar->move(120, 4400, 5000, 300);
        tabs = &add<TabStrip>("TabStrip1");
        tabs->addTab("Scan Options");
        tabs->addTab("Schedule");
        tabs->move(5300, 120, 3000, 1000);
        add<Image>("imgLogo").move(5300, 1300, 500, 500);
        add<Shape>("shpLine").move(5300, 1900, 2000, 30);
        text = &add<TextBox>("txtFilename");
        text->move(120, 4900, 3000, 315);
        combo = &add<ComboBox>("cmbDays");
        combo->addItem("Monday");
        combo->addItem("Tuesday");
        combo->move(3300, 4900, 2000, 315);
        picker = &add<DatePicker>("dtpScheduleTime");
        picker->setShowsTime(true);
        picker->move(5500, 4900, 2000, 315);
    }
    void Form_Resize() override { ++resizes; }
    void Form_QueryUnload(bool& cancel, UnloadMode mode) override {
        lastMode = mode;
        cancel = refuseClose;
    }

    Label* title;
    CommandButton* go;
    Frame* frame;
    OptionButton* mode0;
    OptionButton* mode1;
    OptionButton* other;
    CheckBox* check;
    Timer* timer;
    ListView* list;
    ProgressBar* bar;
    TabStrip* tabs;
    TextBox* text;
    ComboBox* combo;
    DatePicker* picker;
    int ticks = 0;
    int resizes = 0;
    bool refuseClose = false;
    UnloadMode lastMode = UnloadMode::Code;
};

std::wstring classOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

std::wstring textOf(HWND window) {
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    return text;
}

std::wstring rowText(HWND list, int row, int sub) {
    wchar_t text[256] = {};
    LVITEMW item{};
    item.iSubItem = sub;
    item.pszText = text;
    item.cchTextMax = 256;
    SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return text;
}

// Runs the host's loop until the condition holds or a generous deadline passes.
bool waitFor(Host& host, const std::function<bool()>& condition, ULONGLONG deadlineMs = 5000) {
    const ULONGLONG end = GetTickCount64() + deadlineMs;
    while (!condition()) {
        if (GetTickCount64() >= end) return false;
        host.sleep(10);
    }
    return true;
}

// A thread timer that runs `action` from inside whatever message loop is running.
class LoopHelper {
public:
    explicit LoopHelper(std::function<bool()> action) {
        current() = std::move(action);
        id_ = SetTimer(nullptr, 0, 20, &LoopHelper::fire);
    }
    ~LoopHelper() {
        KillTimer(nullptr, id_);
        current() = nullptr;
    }
    LoopHelper(const LoopHelper&) = delete;
    LoopHelper& operator=(const LoopHelper&) = delete;

private:
    static std::function<bool()>& current() {
        static std::function<bool()> action;
        return action;
    }
    static void CALLBACK fire(HWND, UINT, UINT_PTR, DWORD) {
        // Done actions are dropped so that they run once.
        if (current() && current()()) current() = nullptr;
    }
    UINT_PTR id_ = 0;
};

HWND findDialog() {
    HWND found = nullptr;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM out) -> BOOL {
            if (classOf(window) == L"#32770" && IsWindowVisible(window)) {
                *reinterpret_cast<HWND*>(out) = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

using Win32HostTest = ShownFormTest<AllControls>;

TEST_F(Win32HostTest, EachControlHasItsNativeWindowShowingTheModel) {
    EXPECT_EQ(textOf(window), L"All Controls");
    EXPECT_TRUE(IsWindowVisible(window));
    const std::pair<const Control*, const wchar_t*> expected[] = {
        {form->title, L"Static"},        {form->go, L"Button"},
        {form->frame, L"Button"},        {form->mode0, L"Button"},
        {form->check, L"Button"},        {form->list, L"SysListView32"},
        {form->bar, L"msctls_progress32"}, {form->tabs, L"SysTabControl32"},
        {form->text, L"Edit"},           {form->combo, L"ComboBox"},
        {form->picker, L"SysDateTimePick32"}};
    for (const auto& [control, className] : expected) {
        HWND child = of(*control);
        ASSERT_NE(child, nullptr) << control->name();
        EXPECT_EQ(_wcsicmp(classOf(child).c_str(), className), 0) << control->name();
        EXPECT_TRUE(IsWindowVisible(child)) << control->name();
    }
    EXPECT_EQ(host.windowOf(*form->timer), nullptr);
    EXPECT_EQ(textOf(of(*form->title)), L"Hello");
    EXPECT_EQ(textOf(of(*form->mode1)), L"Complete");

    // A control inside a frame sits at the frame's offset plus its own.
    RECT frameRect{};
    RECT optionRect{};
    GetWindowRect(of(*form->frame), &frameRect);
    GetWindowRect(of(*form->mode1), &optionRect);
    EXPECT_EQ(optionRect.top - frameRect.top, MulDiv(750, host.dpi(), 1440));

    form->title->setCaption("Changed");
    EXPECT_EQ(textOf(of(*form->title)), L"Changed");
    form->frame->setVisible(false);
    EXPECT_FALSE(IsWindowVisible(of(*form->mode0))) << "hiding a frame hides what it holds";
    form->frame->setVisible(true);
    form->frame->setEnabled(false);
    EXPECT_FALSE(IsWindowEnabled(of(*form->mode1)));
    EXPECT_TRUE(IsWindowEnabled(of(*form->other)));

    form->bar->setValue(40);
    EXPECT_EQ(SendMessageW(of(*form->bar), PBM_GETPOS, 0, 0), 40);
    EXPECT_EQ(SendMessageW(of(*form->tabs), TCM_GETITEMCOUNT, 0, 0), 2);
    EXPECT_EQ(SendMessageW(of(*form->combo), CB_GETCOUNT, 0, 0), 2);
    form->combo->setListIndex(1);
    EXPECT_EQ(SendMessageW(of(*form->combo), CB_GETCURSEL, 0, 0), 1);

    HMENU bar = GetMenu(window);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(GetMenuItemCount(bar), 1);
    HMENU file = GetSubMenu(bar, 0);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(GetMenuItemCount(file), 3);
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE;
    GetMenuItemInfoW(file, 1, TRUE, &info);
    EXPECT_TRUE(info.fType & MFT_SEPARATOR);

    // Controls added at run time get their window.
    auto& late = form->add<Label>("lblLate", 0);
    late.setCaption("Late");
    ASSERT_NE(of(late), nullptr);
    EXPECT_EQ(textOf(of(late)), L"Late");
}

// Frames, tabs, shapes, pictures and skin labels lie below the controls beside them; what a
// container holds lies above the container; later above earlier otherwise. Controls added
// while the window shows, one by one, must end up stacked as a window made with them all is.
TEST_F(Win32HostTest, ControlsAddedWhileShownStackAsIfTheWindowWasMadeWithThem) {
    auto& skin = form->add<SkinLabel>("SkinLabel1", 0);
    skin.move(120, 120, 2000, 300);
    auto& late = form->add<Label>("lblLate");
    auto& inside = form->add<OptionButton>("optMode", 2, form->frame);
    auto& line = form->add<Shape>("shpLate");
    auto& skin2 = form->add<SkinLabel>("SkinLabel1", 1);
    auto& last = form->add<CheckBox>("chkLate");

    auto layer = [](const Control& c) {
        int depth = 0;
        for (const Control* up = c.container(); up != nullptr; up = up->container()) ++depth;
        const std::string_view type = c.typeName();
        const bool backdrop = type == "Frame" || type == "TabStrip" || type == "Shape" || type == "Image" ||
                              type == "PictureBox" || type == "SkinLabel";
        return depth * 2 + (backdrop ? 0 : 1);
    };
    std::vector<const Control*> expected;  // bottom first
    for (const auto& control : form->controls())
        if (of(*control) != nullptr) expected.push_back(control.get());
    std::stable_sort(expected.begin(), expected.end(),
                     [&](const Control* a, const Control* b) { return layer(*a) < layer(*b); });

    std::vector<const Control*> stacked;  // the children as the system stacks them, bottom first
    for (HWND child = GetWindow(window, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
        for (const Control* control : expected)
            if (of(*control) == child) stacked.insert(stacked.begin(), control);
    ASSERT_EQ(stacked.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(stacked[i]->name() + std::to_string(stacked[i]->index()),
                  expected[i]->name() + std::to_string(expected[i]->index()))
            << "place " << i << " from the bottom";
    // The added ones, spelled out: the option in the frame on top, backdrops below the rest.
    EXPECT_EQ(stacked.back(), &inside);
    EXPECT_TRUE(std::find(stacked.begin(), stacked.end(), &last) > std::find(stacked.begin(), stacked.end(), &late));
    EXPECT_TRUE(std::find(stacked.begin(), stacked.end(), &line) < std::find(stacked.begin(), stacked.end(), &late));
    EXPECT_TRUE(std::find(stacked.begin(), stacked.end(), &skin2) < std::find(stacked.begin(), stacked.end(), form->go));
}

TEST_F(Win32HostTest, MenuAndTabAndTextChangesReachTheModel) {
    int scans = 0;
    form->find("mnuFileItem", 0)->onClick = [&] { ++scans; };
    HMENU file = GetSubMenu(GetMenu(window), 0);
    const UINT id = GetMenuItemID(file, 0);
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(id, 0), 0);
    EXPECT_EQ(scans, 1);

    NMHDR change{of(*form->tabs), static_cast<UINT_PTR>(GetDlgCtrlID(of(*form->tabs))), static_cast<UINT>(TCN_SELCHANGE)};
    SendMessageW(of(*form->tabs), TCM_SETCURSEL, 1, 0);
    SendMessageW(window, WM_NOTIFY, change.idFrom, reinterpret_cast<LPARAM>(&change));
    EXPECT_EQ(form->tabs->selected(), 2);

    int edits = 0;
    form->text->onChange = [&] { ++edits; };
    SetWindowTextW(of(*form->text), L"C:\\file.exe");
    EXPECT_EQ(form->text->text(), "C:\\file.exe");
    EXPECT_EQ(edits, 1);
    form->text->setText("typed by code");
    EXPECT_EQ(textOf(of(*form->text)), L"typed by code");
    EXPECT_EQ(edits, 2) << "the code's own change runs Change once, not again from the edit box";
}

TEST_F(Win32HostTest, RealClicksFollowTheCheckAndOptionRules) {
    int checkClicks = 0;
    form->check->onClick = [&] { ++checkClicks; };
    SendMessageW(of(*form->check), BM_CLICK, 0, 0);
    EXPECT_EQ(form->check->value(), 1);
    EXPECT_EQ(checkClicks, 1);
    EXPECT_EQ(SendMessageW(of(*form->check), BM_GETCHECK, 0, 0), BST_CHECKED);
    SendMessageW(of(*form->check), BM_CLICK, 0, 0);
    EXPECT_EQ(form->check->value(), 0);
    EXPECT_EQ(SendMessageW(of(*form->check), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    form->check->setValue(2);
    EXPECT_EQ(SendMessageW(of(*form->check), BM_GETCHECK, 0, 0), BST_INDETERMINATE);
    EXPECT_EQ(checkClicks, 3);

    int modeClicks = 0;
    form->mode1->onClick = [&] { ++modeClicks; };
    form->other->setValue(true);
    SendMessageW(of(*form->mode0), BM_CLICK, 0, 0);
    SendMessageW(of(*form->mode1), BM_CLICK, 0, 0);
    EXPECT_TRUE(form->mode1->value());
    EXPECT_FALSE(form->mode0->value());
    EXPECT_EQ(modeClicks, 1);
    EXPECT_EQ(SendMessageW(of(*form->mode0), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(SendMessageW(of(*form->mode1), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessageW(of(*form->other), BM_GETCHECK, 0, 0), BST_CHECKED) << "another container is left alone";

    int goClicks = 0;
    form->go->onClick = [&] { ++goClicks; };
    PostMessageW(of(*form->go), BM_CLICK, 0, 0);
    host.yield();
    EXPECT_EQ(goClicks, 1) << "yield dispatches what is pending";
}

TEST_F(Win32HostTest, ListViewRowsAndCheckBoxesStayInStep) {
    HWND list = of(*form->list);
    std::vector<std::size_t> itemChecks;
    form->list->onItemCheck = [&](std::size_t row) { itemChecks.push_back(row); };
    form->list->add("cookie", 1);
    form->list->add("key", 2);
    form->list->add("file", 3);
    form->list->setSubItem(2, 1, "C:\\bad.exe");
    EXPECT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 3);
    EXPECT_EQ(rowText(list, 2, 0), L"file");
    EXPECT_EQ(rowText(list, 2, 1), L"C:\\bad.exe");

    form->list->setChecked(1, true);
    EXPECT_TRUE(ListView_GetCheckState(list, 1));
    EXPECT_TRUE(itemChecks.empty()) << "a check set by code runs no ItemCheck";

    ListView_SetCheckState(list, 2, TRUE);  // as the user's tick does
    EXPECT_TRUE(form->list->item(2).checked);
    EXPECT_EQ(itemChecks, std::vector<std::size_t>{2});

    form->list->remove(0);
    EXPECT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 2);
    EXPECT_EQ(rowText(list, 0, 0), L"key");
    EXPECT_TRUE(ListView_GetCheckState(list, 1));
    form->list->setText(0, "renamed");
    EXPECT_EQ(rowText(list, 0, 0), L"renamed");
    form->list->clear();
    EXPECT_EQ(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0), 0);
}

TEST_F(Win32HostTest, TimersTickThroughSleepAndStopWhenDisabled) {
    form->timer->setInterval(20);
    form->timer->setOn(true);
    ASSERT_TRUE(waitFor(host, [&] { return form->ticks >= 3; }));
    form->timer->setOn(false);
    const int ticks = form->ticks;
    host.sleep(150);
    EXPECT_EQ(form->ticks, ticks);
    form->timer->setInterval(0);
    form->timer->setOn(true);
    host.sleep(150);
    EXPECT_EQ(form->ticks, ticks) << "interval 0 never ticks";
}

TEST_F(Win32HostTest, MessageBoxRunsANestedLoopAndReturnsTheButtonPressed) {
    form->timer->setInterval(20);
    form->timer->setOn(true);
    int ticksInside = 0;
    LoopHelper helper([&] {
        HWND dialog = findDialog();
        if (dialog == nullptr) return false;
        if (ticksInside == 0) ticksInside = form->ticks;
        // Answer once the form's timer has ticked inside the box.
        if (form->ticks < ticksInside + 2) return false;
        SendMessageW(GetDlgItem(dialog, IDNO), BM_CLICK, 0, 0);
        return true;
    });
    EXPECT_EQ(host.messageBox("Remove the checked items?", "Sorvane", mb::YesNo | mb::Question), Answer::No);
    EXPECT_GE(form->ticks, ticksInside + 2);
}

struct Dialog : Form {
    explicit Dialog(Host& host) : Form(host, "frmAsk") {
        setCaption("Question");
        setSize(4000, 3000);
        ok = &add<CommandButton>("cmdOK");
        ok->setCaption("OK");
        ok->move(120, 120, 1200, 400);
    }
    CommandButton* ok;
};

TEST_F(Win32HostTest, ModalFormDisablesOthersUntilItIsHidden) {
    Dialog dialog(host);
    bool ownerDisabled = false;
    dialog.ok->onClick = [&] {
        ownerDisabled = IsWindowEnabled(window) == FALSE;
        dialog.hide();
    };
    LoopHelper helper([&] {
        HWND button = static_cast<HWND>(host.windowOf(*dialog.ok));
        if (button == nullptr || !IsWindowVisible(button)) return false;
        SendMessageW(button, BM_CLICK, 0, 0);
        return true;
    });
    dialog.show(true);
    EXPECT_TRUE(ownerDisabled);
    EXPECT_FALSE(dialog.visible());
    EXPECT_TRUE(IsWindowEnabled(window));
    dialog.unload();
}

WindowState nativeState(HWND window) {
    if (IsIconic(window)) return WindowState::Minimized;
    return IsZoomed(window) ? WindowState::Maximized : WindowState::Normal;
}

TEST_F(Win32HostTest, WindowStateChangesRunResizeOnceWhoeverMadeThem) {
    // Without a window manager, Wine may undo a maximize of its own accord; that undoing is
    // a change like the user's, so the count is checked against the changes actually made.
    int changes = 0;
    WindowState last = form->windowState();
    auto settle = [&] {
        host.sleep(100);
        if (form->windowState() != last) {
            ++changes;
            last = form->windowState();
        }
        EXPECT_EQ(form->windowState(), nativeState(window));
        EXPECT_EQ(form->resizes, changes);
    };
    form->resizes = 0;
    form->setWindowState(WindowState::Maximized);
    EXPECT_EQ(form->resizes, 1) << "no second Form_Resize from the window's own WM_SIZE";
    EXPECT_TRUE(IsZoomed(window));
    changes = 1;
    last = WindowState::Maximized;
    settle();

    ShowWindow(window, SW_MINIMIZE);  // as the user's minimize button does
    ASSERT_TRUE(waitFor(host, [&] { return form->windowState() == WindowState::Minimized; }));
    ++changes;
    last = WindowState::Minimized;
    EXPECT_EQ(form->resizes, changes);
    ShowWindow(window, SW_RESTORE);
    ASSERT_TRUE(waitFor(host, [&] { return form->windowState() != WindowState::Minimized; }));
    ++changes;
    last = form->windowState();
    EXPECT_EQ(form->resizes, changes);
    settle();

    form->setWindowState(WindowState::Normal);
    if (last != WindowState::Normal) ++changes;
    last = WindowState::Normal;
    EXPECT_EQ(form->resizes, changes);
    settle();

    form->setSize(7500, 6000);
    ++changes;
    EXPECT_EQ(form->resizes, changes);
    settle();
    RECT rect{};
    GetWindowRect(window, &rect);
    EXPECT_EQ(rect.right - rect.left, MulDiv(7500, host.dpi(), 1440));
}

struct TrayForm : AllControls {
    using AllControls::AllControls;
    void Form_MouseMove(const MouseEvent& event) override { moves.push_back(event.x); }
    std::vector<int> moves;
};

TEST_F(Win32HostTest, TrayMessagesTaskListAndPaintingFreeze) {
    TrayForm tray(host);
    tray.show();
    HWND trayWindow = static_cast<HWND>(host.windowOf(tray));
    SendMessageW(trayWindow, Win32Host::trayCallbackMessage, 1, WM_LBUTTONDBLCLK);
    SendMessageW(trayWindow, Win32Host::trayCallbackMessage, 1, WM_RBUTTONDOWN);
    SendMessageW(trayWindow, Win32Host::trayCallbackMessage, 1, WM_KEYDOWN);
    EXPECT_EQ(tray.moves, (std::vector<int>{515, 516})) << "only mouse messages reach Form_MouseMove";
    tray.unload();

    form->setShowInTaskList(false);
    EXPECT_TRUE(GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
    EXPECT_FALSE(GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_APPWINDOW);
    EXPECT_TRUE(IsWindowVisible(window));
    form->setShowInTaskList(true);
    EXPECT_TRUE(GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_APPWINDOW);

    // While any freeze holds, labels and bars wait for the next look at the queue and leave
    // the window as it is; the first change that would paint at once switches painting off
    // (the window's visible flag is down meanwhile) until the last freeze ends.
    host.freezePainting(*form, true);
    host.freezePainting(*form, true);
    form->title->setCaption("Counting");
    form->bar->setValue(40);
    EXPECT_TRUE(GetWindowLongPtrW(window, GWL_STYLE) & WS_VISIBLE);
    EXPECT_NE(textOf(of(*form->title)), L"Counting") << "a frozen label waits";
    form->list->add("found", 0);
    EXPECT_FALSE(GetWindowLongPtrW(window, GWL_STYLE) & WS_VISIBLE);
    host.freezePainting(*form, false);
    EXPECT_FALSE(GetWindowLongPtrW(window, GWL_STYLE) & WS_VISIBLE);
    host.freezePainting(*form, false);
    EXPECT_TRUE(GetWindowLongPtrW(window, GWL_STYLE) & WS_VISIBLE);
    host.yield();
    EXPECT_EQ(textOf(of(*form->title)), L"Counting") << "shown when messages run";
    host.freezePainting(*form, false);
    EXPECT_TRUE(IsWindowVisible(window)) << "an extra release changes nothing";
}

TEST_F(Win32HostTest, MouseUpFollowsTheClickAndTypedKeysPassThroughKeyPress) {
    std::vector<int> valuesAtMouseUp;
    form->check->setValue(0);
    form->check->onMouseUp = [&](const MouseEvent& event) {
        EXPECT_EQ(event.button, 1);
        valuesAtMouseUp.push_back(form->check->value());
    };
    HWND check = of(*form->check);
    SendMessageW(check, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageW(check, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(valuesAtMouseUp, (std::vector<int>{1})) << "the click has toggled the box when mouse-up runs";

    // The space bar toggles the box on its release, and key-up runs after that click.
    std::vector<std::pair<int, int>> keyUps;
    form->check->onKeyUp = [&](int keyCode) { keyUps.emplace_back(keyCode, form->check->value()); };
    SetFocus(check);
    SendMessageW(check, WM_KEYDOWN, VK_SPACE, 1);
    SendMessageW(check, WM_KEYUP, VK_SPACE, 0xC0000001);
    EXPECT_EQ(keyUps, (std::vector<std::pair<int, int>>{{key::Space, 0}}));
    EXPECT_EQ(form->check->value(), 0);

    std::vector<int> keys;
    form->text->setText("");
    form->text->onKeyPress = [&](int& key) {
        keys.push_back(key);
        if (key == 'x') key = 0;        // swallowed
        else if (key == 'a') key = 'b';  // changed
    };
    HWND text = of(*form->text);
    for (wchar_t typed : {L'a', L'x', L'c'}) SendMessageW(text, WM_CHAR, typed, 1);
    EXPECT_EQ(keys, (std::vector<int>{'a', 'x', 'c'}));
    EXPECT_EQ(form->text->text(), "bc");
}

TEST_F(Win32HostTest, AHandlerThatThrowsIsSkippedAndNamedInTheTrace) {
    sorvane::fakes::MemoryTrace trace;
    form->check->onKeyUp = [](int) { throw std::runtime_error("key handler broke"); };
    form->mode1->onMouseUp = [](const MouseEvent&) { throw std::runtime_error("mouse handler broke"); };
    form->go->onClick = [] { throw std::runtime_error("click handler broke"); };
    SendMessageW(of(*form->check), WM_KEYUP, 'A', 0xC0000001);
    SendMessageW(of(*form->mode1), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    SendMessageW(of(*form->go), BM_CLICK, 0, 0);
    EXPECT_TRUE(trace.holds("frmAll.chkThing KeyUp: key handler broke"));
    EXPECT_TRUE(trace.holds("frmAll.optMode(1) MouseUp: mouse handler broke"));
    EXPECT_TRUE(trace.holds("frmAll message 273: click handler broke"));  // WM_COMMAND
    // The window goes on: the next click of the same button runs its handler.
    int clicks = 0;
    form->go->onClick = [&] { ++clicks; };
    SendMessageW(of(*form->go), BM_CLICK, 0, 0);
    EXPECT_EQ(clicks, 1);
}

TEST_F(Win32HostTest, TheTrayIconComesBackWhenTheTaskbarIsCreatedAgain) {
    TrayForm tray(host);
    tray.show();
    HWND trayWindow = static_cast<HWND>(host.windowOf(tray));
    if (!host.trayAdd(tray, "Sorvane")) GTEST_SKIP() << "no notification area on this display";
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = trayWindow;
    data.uID = 1;
    data.uFlags = NIF_TIP;
    // Explorer restarting forgets every icon.
    ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &data));
    EXPECT_FALSE(Shell_NotifyIconW(NIM_MODIFY, &data)) << "the icon is gone";
    SendMessageW(trayWindow, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    EXPECT_TRUE(Shell_NotifyIconW(NIM_MODIFY, &data)) << "the icon was added again";
    host.trayRemove(tray);
    EXPECT_FALSE(Shell_NotifyIconW(NIM_MODIFY, &data));
    tray.unload();
}

TEST_F(Win32HostTest, AnIconThatCouldNotBeAddedComesWhenTheTaskbarDoes) {
    TrayForm tray(host);
    tray.show();
    HWND trayWindow = static_cast<HWND>(host.windowOf(tray));
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = trayWindow;
    data.uID = 1;
    // The place is taken, as it is for every icon before the taskbar exists.
    if (!Shell_NotifyIconW(NIM_ADD, &data)) GTEST_SKIP() << "no notification area on this display";
    EXPECT_FALSE(host.trayAdd(tray, "Sorvane"));
    ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &data));
    SendMessageW(trayWindow, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    EXPECT_TRUE(Shell_NotifyIconW(NIM_MODIFY, &data)) << "the icon was added with the taskbar";
    host.trayRemove(tray);
    EXPECT_FALSE(Shell_NotifyIconW(NIM_MODIFY, &data));
    tray.unload();
}

TEST_F(Win32HostTest, CloseBoxAsksQueryUnloadAndUnloadDestroysTheWindow) {
    form->refuseClose = true;
    SendMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(form->loaded());
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(form->lastMode, UnloadMode::ControlMenu);
    form->refuseClose = false;
    SendMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_FALSE(form->loaded());
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(host.windowOf(*form), nullptr);
    host.yield();
}

// A form with the pickers of the schedule page, which may hold no value.
struct PickerForm : Form {
    explicit PickerForm(Host& host) : Form(host, "frmPickers") {
        setSize(6000, 3000);
        date = &add<DatePicker>("dtpScheduleDate");
        date->move(120, 120, 2000, 315);
        date->setAllowsNoValue(true);
        date->setValue({2024, 5, 14, 0, 0, 0});
        date->setNoValue();
    }
    DatePicker* date;
};

TEST_F(Win32HostTest, APickerWithoutAValueShowsItsBoxClearedAndTheUsersChoiceReachesTheModel) {
    PickerForm pickers(host);
    pickers.show();
    HWND picker = of(*pickers.date);
    ASSERT_NE(picker, nullptr);
    EXPECT_NE(GetWindowLongPtrW(picker, GWL_STYLE) & DTS_SHOWNONE, 0);
    SYSTEMTIME shown{};
    EXPECT_EQ(SendMessageW(picker, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&shown)), GDT_NONE);

    pickers.date->setValue({2024, 5, 20, 0, 0, 0});
    ASSERT_EQ(SendMessageW(picker, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&shown)), GDT_VALID);
    EXPECT_EQ(shown.wDay, 20);

    // The user clears the box: the picker tells its window, which tells the model.
    int changes = 0;
    pickers.date->onChange = [&] { ++changes; };
    NMDATETIMECHANGE change{};
    change.nmhdr.hwndFrom = picker;
    change.nmhdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(picker));
    change.nmhdr.code = DTN_DATETIMECHANGE;
    change.dwFlags = GDT_NONE;
    SendMessageW(static_cast<HWND>(host.windowOf(pickers)), WM_NOTIFY, change.nmhdr.idFrom,
                 reinterpret_cast<LPARAM>(&change));
    EXPECT_FALSE(pickers.date->hasValue());
    EXPECT_EQ(changes, 1);
    pickers.runUnloadOnly();
}

TEST_F(Win32HostTest, AWaitSleepsOnTheQueueAndEndsWithTheMessageThatAnswers) {
    bool answered = false;
    LoopHelper answer([&] {
        answered = true;
        return true;
    });
    const ULONGLONG start = GetTickCount64();
    host.waitUntil([&] { return answered; });
    EXPECT_TRUE(answered);
    EXPECT_LT(GetTickCount64() - start, 2000u);

    // Closing the window that waits ends the wait as well.
    LoopHelper close([&] {
        SendMessageW(window, WM_CLOSE, 0, 0);
        return true;
    });
    host.waitUntil([&] { return !form->loaded(); });
    EXPECT_FALSE(form->loaded());
    form.reset();
}

TEST_F(Win32HostTest, AFormMadeTopMostStaysAboveOtherWindows) {
    PickerForm alert(host);
    alert.setTopMost(true);
    alert.show();
    HWND shown = static_cast<HWND>(host.windowOf(alert));
    ASSERT_NE(shown, nullptr);
    EXPECT_NE(GetWindowLongPtrW(shown, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    EXPECT_EQ(GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    alert.runUnloadOnly();
}

}  // namespace

namespace {

struct ListForm : Form {
    explicit ListForm(Host& host) : Form(host, "frmDelete") {
        setSize(5000, 4000);
        list = &add<ListView>("lvwProblems");
        list->addColumn("File", 3000);
        list->move(120, 120, 4000, 2000);
        list->add("C:\\stuck.exe", 3);
    }
    ListView* list;
};

int smallIconCount(HWND list) {
    HIMAGELIST icons = ListView_GetImageList(list, LVSIL_SMALL);
    return icons == nullptr ? -1 : ImageList_GetImageCount(icons);
}

TEST_F(Win32HostTest, KindIconsOutliveAListViewThatIsDestroyed) {
    HWND list = of(*form->list);
    ASSERT_EQ(smallIconCount(list), 5);
    {
        ListForm other(host);
        other.show();
        HWND otherList = static_cast<HWND>(host.windowOf(*other.list));
        ASSERT_NE(otherList, nullptr);
        EXPECT_EQ(ListView_GetImageList(otherList, LVSIL_SMALL), ListView_GetImageList(list, LVSIL_SMALL));
        SendMessageW(static_cast<HWND>(host.windowOf(other)), WM_CLOSE, 0, 0);  // its close box
        EXPECT_FALSE(other.loaded());
        host.yield();
    }
    EXPECT_EQ(smallIconCount(list), 5) << "the list views share the host's icons; none of them owns them";
    ListForm again(host);
    again.show();
    EXPECT_EQ(smallIconCount(static_cast<HWND>(host.windowOf(*again.list))), 5);
    again.unload();
}

TEST_F(Win32HostTest, ColumnWidthsTheUserSetReachTheModel) {
    HWND list = of(*form->list);
    const int shown = MulDiv(2000, host.dpi(), 1440);
    ASSERT_EQ(ListView_GetColumnWidth(list, 1), shown);
    // As a drag of the divider ends: the native header changes the width.
    ListView_SetColumnWidth(list, 1, shown + 57);
    host.yield();
    EXPECT_EQ(form->list->columns()[1].width, MulDiv(shown + 57, 1440, host.dpi()));
    EXPECT_EQ(form->list->columns()[0].width, 2000) << "an untouched column keeps its exact figure";

    // A width set by code is shown and is not read back as the user's.
    form->list->setColumnWidth(0, 2400);
    EXPECT_EQ(ListView_GetColumnWidth(list, 0), MulDiv(2400, host.dpi(), 1440));
    EXPECT_EQ(form->list->columns()[0].width, 2400);
}

TEST_F(Win32HostTest, SessionEndClosesTheFormWithTheSessionMode) {
    EXPECT_EQ(SendMessageW(window, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
    EXPECT_TRUE(form->loaded()) << "asking whether the session may end closes nothing";
    SendMessageW(window, WM_ENDSESSION, FALSE, ENDSESSION_LOGOFF);  // another program refused
    EXPECT_TRUE(form->loaded());
    SendMessageW(window, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    EXPECT_EQ(form->lastMode, UnloadMode::WindowsSession);
    EXPECT_FALSE(form->loaded());
    EXPECT_FALSE(IsWindow(window));
    host.yield();
}

}  // namespace

namespace {

TEST_F(Win32HostTest, AFormThatAppearsRunsResizeWithItsShownSize) {
    AllControls second(host);
    second.resizes = 0;  // the constructor's own setSize counted
    second.show();
    EXPECT_EQ(second.resizes, 1) << "the first show lays the window out";
    second.show();
    EXPECT_EQ(second.resizes, 1) << "showing a visible window changes nothing";
    second.setWindowState(WindowState::Minimized);
    second.hide();
    second.setWindowState(WindowState::Normal);
    const int hiddenResizes = second.resizes;
    second.show();
    EXPECT_EQ(second.resizes, hiddenResizes + 1) << "back from hiding, as from the tray";
    EXPECT_TRUE(IsWindowVisible(static_cast<HWND>(host.windowOf(second))));
    EXPECT_EQ(second.windowState(), WindowState::Normal);
    second.unload();
}

}  // namespace

namespace {

bool waitingPaint(HWND window) { return GetUpdateRect(window, nullptr, FALSE) != FALSE; }

}  // namespace

TEST_F(Win32HostTest, AFreezeShowsItsLabelsAndBarsWhenMessagesRunAndRepaintsOnlyWhatChanged) {
    HWND title = of(*form->title);
    HWND bar = of(*form->bar);
    HWND go = of(*form->go);
    HWND list = of(*form->list);
    form->title->setCaption("Before");
    host.sleep(50);  // everything painted
    host.freezePainting(*form, true);
    form->title->setCaption("Inspected 100");
    form->bar->setValue(40);
    host.freezePainting(*form, false);
    host.freezePainting(*form, true);
    form->title->setCaption("Inspected 200");
    host.freezePainting(*form, false);
    EXPECT_EQ(textOf(title), L"Before") << "nothing is shown before messages run";
    EXPECT_EQ(SendMessageW(bar, PBM_GETPOS, 0, 0), 0);

    // Redraw stayed on: the labels and bars show themselves, and nothing else is painted.
    ASSERT_NE(host.windowOf(*form), nullptr);
    EXPECT_EQ(textOf(title), L"Inspected 200") << "the last burst's text";
    EXPECT_EQ(SendMessageW(bar, PBM_GETPOS, 0, 0), 40) << "the bar of the earlier burst too";
    EXPECT_FALSE(waitingPaint(go)) << "an unchanged control is not painted again";
    EXPECT_FALSE(waitingPaint(window)) << "nor is the window behind them";
    host.yield();

    // A list change switches redraw off, which would lose the label's own paint: the label
    // and the list are asked again, and no more.
    host.freezePainting(*form, true);
    form->title->setCaption("Inspected 300");
    form->list->add("C:\\found.exe", 3);
    host.freezePainting(*form, false);
    host.windowOf(*form);
    EXPECT_EQ(textOf(title), L"Inspected 300");
    EXPECT_TRUE(waitingPaint(title));
    EXPECT_TRUE(waitingPaint(list));
    EXPECT_FALSE(waitingPaint(go));
    EXPECT_FALSE(waitingPaint(window));
    host.yield();

    // A paint still waiting when redraw goes off is thrown away with it: all of the window
    // is asked again.
    InvalidateRect(go, nullptr, TRUE);
    host.freezePainting(*form, true);
    form->list->add("C:\\other.exe", 3);
    host.freezePainting(*form, false);
    host.windowOf(*form);
    EXPECT_TRUE(waitingPaint(go)) << "the paint it was waiting for comes after all";
    EXPECT_TRUE(waitingPaint(window));
    host.yield();

    // Hiding a control uncovers the window behind it: all of it is painted again.
    host.freezePainting(*form, true);
    form->check->setVisible(false);
    host.freezePainting(*form, false);
    host.windowOf(*form);
    EXPECT_TRUE(waitingPaint(window));
    EXPECT_TRUE(waitingPaint(go));
    host.yield();
    form->check->setVisible(true);
    form->list->clear();
}

TEST_F(Win32HostTest, AButtonSwitchedOffOrOnShowsItWithTheNextPaint) {
    HWND go = of(*form->go);
    host.sleep(50);  // everything painted
    form->go->setEnabled(false);
    EXPECT_FALSE(IsWindowEnabled(go));
    EXPECT_TRUE(waitingPaint(go)) << "asked to paint, not painted inside EnableWindow";
    EXPECT_FALSE(waitingPaint(window));
    host.yield();
    EXPECT_FALSE(waitingPaint(go));
    form->go->setEnabled(true);
    EXPECT_TRUE(IsWindowEnabled(go));
    EXPECT_TRUE(waitingPaint(go));
    host.yield();
}

struct Clicker {
    HWND button;
    HWND form;
};

TEST_F(Win32HostTest, AFreezeEndedByAHandlerOfASentMessageIsShownWithoutAnyOtherMessage) {
    HWND title = of(*form->title);
    ULONGLONG handled = 0;
    form->go->onClick = [&] {
        host.freezePainting(*form, true);
        form->title->setCaption("Scanning complete.");
        host.freezePainting(*form, false);
        handled = GetTickCount64();
    };
    // The click comes from another thread and its handler runs inside the wait, so no
    // message of its own ends the wait; a late one keeps a failing test from hanging.
    Clicker clicker{of(*form->go), window};
    HANDLE thread = CreateThread(
        nullptr, 0,
        [](LPVOID data) -> DWORD {
            const auto& c = *static_cast<Clicker*>(data);
            SendMessageW(c.button, BM_CLICK, 0, 0);
            Sleep(3000);
            PostMessageW(c.form, WM_NULL, 0, 0);
            return 0;
        },
        &clicker, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    host.waitUntil([&] { return textOf(title) == L"Scanning complete."; });
    const ULONGLONG shown = GetTickCount64();
    EXPECT_EQ(textOf(title), L"Scanning complete.");
    ASSERT_NE(handled, 0u);
    EXPECT_LT(shown - handled, 1500u) << "shown at once, not when some later message came";
    WaitForSingleObject(thread, 10000);
    CloseHandle(thread);
}

TEST_F(Win32HostTest, LabelsThatLongWorkKeepsSettingAreShownAtMostTenTimesASecond) {
    HWND title = of(*form->title);
    auto setInBurst = [&](const char* text) {
        host.freezePainting(*form, true);
        form->title->setCaption(text);
        host.freezePainting(*form, false);
    };
    // Taken before the label is shown, so "now - shown" never understates how long ago it was,
    // even when the machine stalls right after showing it.
    const ULONGLONG shown = GetTickCount64();
    setInBurst("Inspected 100");
    host.yield();
    EXPECT_EQ(textOf(title), L"Inspected 100");

    // The tick count moves in steps of about 16 ms: these sleeps clear the queue's interval
    // and stay inside the labels' one, then clear that too.
    setInBurst("Inspected 200");
    Sleep(50);
    host.yieldBetweenItems();
    // Only a machine that stalled would have let the interval pass.
    if (GetTickCount64() - shown < 80) {
        EXPECT_EQ(textOf(title), L"Inspected 100") << "shown a moment ago: the new figure waits";
    }
    Sleep(120);
    host.yieldBetweenItems();
    EXPECT_EQ(textOf(title), L"Inspected 200");

    setInBurst("Inspected 300");
    host.yield();
    EXPECT_EQ(textOf(title), L"Inspected 300") << "a plain yield shows it at once";
}

TEST_F(Win32HostTest, YieldBetweenItemsSkipsALookAtTheQueueMadeAMomentAgo) {
    int goClicks = 0;
    form->go->onClick = [&] { ++goClicks; };
    // Taken before the look, so a stall right after it cannot hide that the interval passed.
    const ULONGLONG looked = GetTickCount64();
    host.yield();
    PostMessageW(of(*form->go), BM_CLICK, 0, 0);
    host.yieldBetweenItems();
    // Only a machine that stalled between the two calls would have let the interval pass.
    if (GetTickCount64() - looked < 5) {
        EXPECT_EQ(goClicks, 0);
    }
    Sleep(60);
    host.yieldBetweenItems();
    EXPECT_EQ(goClicks, 1) << "once the interval has passed, pending events run";
    PostMessageW(of(*form->go), BM_CLICK, 0, 0);
    host.yield();
    EXPECT_EQ(goClicks, 2) << "a plain yield always looks";
}

namespace {

RECT rectOf(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

// The width of the small icons a list view shows beside its rows.
int listIconWidth(HWND list) {
    int width = 0;
    int height = 0;
    if (!ImageList_GetIconSize(ListView_GetImageList(list, LVSIL_SMALL), &width, &height)) return 0;
    return width;
}

int fontHeight(HWND control) {
    LOGFONTW face{};
    auto font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    if (font == nullptr || GetObjectW(font, sizeof face, &face) == 0) return 0;
    return face.lfHeight < 0 ? -face.lfHeight : face.lfHeight;
}

// What the system sends when the window is dragged onto a monitor of another scale, or that
// monitor's scale is changed: the new DPI and the rectangle it suggests for the window.
void sendDpiChange(HWND window, int dpi, RECT suggested) {
    constexpr UINT DpiChanged = 0x02E0;
    SendMessageW(window, DpiChanged, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
}

TEST_F(Win32HostTest, AMoveToAMonitorOfAnotherScaleTakesTheSuggestedPlaceAndScalesLayoutAndFonts) {
    const int before = host.dpiOf(*form);
    EXPECT_EQ(before, host.dpi()) << "one monitor: the window has the system's DPI";
    const int fontBefore = fontHeight(of(*form->go));
    ASSERT_GT(fontBefore, 0);
    const int iconBefore = listIconWidth(of(*form->list));
    EXPECT_EQ(iconBefore, GetSystemMetrics(SM_CXSMICON));
    const int formWidth = form->width();
    const int formHeight = form->height();

    const int dpi = before * 3 / 2;
    const RECT suggested{40, 30, 40 + MulDiv(formWidth, dpi, 1440), 30 + MulDiv(formHeight, dpi, 1440)};
    form->resizes = 0;
    sendDpiChange(window, dpi, suggested);

    EXPECT_EQ(host.dpiOf(*form), dpi);
    const RECT shown = rectOf(window);
    EXPECT_EQ(shown.left, suggested.left);
    EXPECT_EQ(shown.top, suggested.top);
    EXPECT_EQ(shown.right - shown.left, suggested.right - suggested.left);
    EXPECT_EQ(shown.bottom - shown.top, suggested.bottom - suggested.top);
    EXPECT_EQ(form->width(), formWidth) << "the form keeps its twips";
    EXPECT_EQ(form->height(), formHeight);
    EXPECT_EQ(form->resizes, 0) << "nothing to lay out again when the twips are the same";

    // Every control stands where its twips fall at the new DPI, inside frames too.
    const RECT go = rectOf(of(*form->go));
    EXPECT_EQ(go.right - go.left, MulDiv(1200, dpi, 1440));
    EXPECT_EQ(go.bottom - go.top, MulDiv(400, dpi, 1440));
    const RECT frame = rectOf(of(*form->frame));
    const RECT option = rectOf(of(*form->mode1));
    EXPECT_EQ(option.top - frame.top, MulDiv(750, dpi, 1440));
    EXPECT_EQ(ListView_GetColumnWidth(of(*form->list), 0), MulDiv(2000, dpi, 1440));
    EXPECT_EQ(form->list->columns()[0].width, 2000) << "re-laid columns are not read back as the user's";
    // The fonts are made anew for the new DPI.
    EXPECT_NEAR(fontHeight(of(*form->go)), MulDiv(fontBefore, dpi, before), 1);
    EXPECT_EQ(fontHeight(of(*form->title)), fontHeight(of(*form->go)));
    // So are the list's row icons, at the small-icon size of the new DPI.
    EXPECT_EQ(listIconWidth(of(*form->list)), MulDiv(iconBefore, dpi, before));

    // Controls made later, and mouse positions, count in the window's own DPI.
    auto& late = form->add<Label>("lblLate", 0);
    late.move(120, 120, 3000, 300);
    const RECT lateRect = rectOf(of(late));
    EXPECT_EQ(lateRect.right - lateRect.left, MulDiv(3000, dpi, 1440));
    EXPECT_EQ(fontHeight(of(late)), fontHeight(of(*form->go)));

    // Back on the first monitor: as it was.
    const RECT back{40, 30, 40 + MulDiv(formWidth, before, 1440), 30 + MulDiv(formHeight, before, 1440)};
    sendDpiChange(window, before, back);
    EXPECT_EQ(host.dpiOf(*form), before);
    EXPECT_EQ(fontHeight(of(*form->go)), fontBefore);
    EXPECT_EQ(listIconWidth(of(*form->list)), iconBefore);
    const RECT goBack = rectOf(of(*form->go));
    EXPECT_EQ(goBack.right - goBack.left, MulDiv(1200, before, 1440));
    EXPECT_EQ(form->width(), formWidth);
}

TEST_F(Win32HostTest, ASuggestedSizeOfOtherTwipsLaysTheFormOutAgain) {
    // Per-monitor version 1 scales no frame: the client area of the suggested size differs.
    const int dpi = host.dpiOf(*form) * 2;
    const RECT suggested{0, 0, MulDiv(form->width(), dpi, 1440) - 40, MulDiv(form->height(), dpi, 1440) - 40};
    form->resizes = 0;
    const int formWidth = form->width();
    sendDpiChange(window, dpi, suggested);
    EXPECT_EQ(form->resizes, 1);
    EXPECT_EQ(form->width(), MulDiv(suggested.right, 1440, dpi));
    EXPECT_LT(form->width(), formWidth);
}

}  // namespace
