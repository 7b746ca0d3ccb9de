// The framework's window plumbing on real windows of this thread: a throwing creation leaves no window, and
// modal dialogs bind their controls, pass control notifications to the control that raised them first, return
// their results the way the dialog manager reads them and keep the application's idle pass going.
#include "controls/SortListCtrl.h"
#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "framework/WinApp.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <tuple>
#include <vector>

namespace {

// The message map's handlers of these test classes are public: the framework reaches them through the map.
struct RefusingWnd : CWnd {
    UINT throwAt = 0;
    int endings = 0;
    LRESULT OnNcCreate(WPARAM, LPARAM) { return throwAt == WM_NCCREATE ? throw std::runtime_error("no") : Default(); }
    int OnCreate(LPCREATESTRUCT) { return throwAt == WM_CREATE ? throw std::runtime_error("no") : 0; }
    void PostNcDestroy() override { ++endings; }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(RefusingWnd, CWnd)
ON_MESSAGE(WM_NCCREATE, OnNcCreate)
ON_WM_CREATE()
END_MESSAGE_MAP()

TEST(FrameworkWindows, AHandlerThatThrowsDuringCreationLeavesNoWindowAndEndsTheObjectOnce) {
    for (UINT message : {UINT(WM_NCCREATE), UINT(WM_CREATE), 0u}) {
        RefusingWnd wnd;
        wnd.throwAt = message;
        EXPECT_EQ(wnd.CreateEx(0, AfxRegisterWndClass(0), "refused", 0, CRect(0, 0, 99, 99), nullptr, 0), message == 0);
        wnd.DestroyWindow(); // the created one; nothing for the refused ones
        EXPECT_EQ(std::pair(wnd.hwnd, wnd.endings), std::pair(HWND{}, 1)) << message;
        EXPECT_EQ(FindWindowA(nullptr, "refused"), nullptr) << message;
    }
}

// Handles its own click and its button colour; it leaves the other colours to its parent.
struct ReflectingButton : CButton {
    int clicks = 0;
    void OnClicked() { ++clicks; }
    HBRUSH CtlColor(HDC, UINT type) { return type == CTLCOLOR_BTN ? GetSysColorBrush(COLOR_HIGHLIGHT) : nullptr; }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(ReflectingButton, CButton)
ON_CONTROL_REFLECT(BN_CLICKED, OnClicked)
ON_WM_CTLCOLOR_REFLECT()
END_MESSAGE_MAP()

// Template 100 of FrameworkWindows.rc: OK, Cancel and an owner-drawn owner-data list 1001.
constexpr UINT kListId = 1001;

struct TestDialog : CDialog {
    enum class Action { WaitForOk, PressEscape, Throw } action = Action::WaitForOk;
    SortListCtrl list;
    ReflectingButton ok;
    int rowHeightError = -1;
    std::vector<LRESULT> answers;
    TestDialog() : CDialog(100) {}
    BOOL OnInitDialog() override {
        if (action == Action::Throw)
            throw std::runtime_error("init failed");
        // The rows as the list measures them, against what SortListCtrl::MeasureItem asks for its font.
        list.InsertColumn(0, "c", LVCFMT_LEFT, 100);
        list.InsertItem(0, "row");
        CRect row;
        list.GetItemRect(0, &row, LVIR_BOUNDS);
        HDC dc = GetDC(list.hwnd);
        HGDIOBJ old = SelectObject(dc, list.GetFont());
        TEXTMETRICA tm{};
        GetTextMetricsA(dc, &tm);
        SelectObject(dc, old);
        rowHeightError = row.Height() - (tm.tmHeight + tm.tmExternalLeading + 4);
        // Results as the dialog manager hands them to the sender: a notification's, then the colours of OK's
        // button, of Cancel and of OK's text.
        NMHDR header{list.hwnd, kListId, NM_DBLCLK};
        const auto colour = [&](UINT message, HWND control) {
            return SendMessage(message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control));
        };
        answers = {SendMessage(WM_NOTIFY, kListId, reinterpret_cast<LPARAM>(&header)), colour(WM_CTLCOLORBTN, ok.hwnd),
                   colour(WM_CTLCOLORSTATIC, GetDlgItem(IDCANCEL)), colour(WM_CTLCOLOREDIT, ok.hwnd)};
        ReleaseDC(list.hwnd, dc);
        // OK's click is the button's own: the dialog does not end with it (but with OK sent by the timer below).
        ::PostMessageA(ok.hwnd, action == Action::PressEscape ? WM_KEYDOWN : BM_CLICK, VK_ESCAPE, 0);
        return TRUE;
    }
    void OnListDoubleClick(NMHDR*, LRESULT* result) { *result = 42; }
    HBRUSH OnCtlColor(HDC, HWND, UINT) { return GetSysColorBrush(COLOR_INFOBK); }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(TestDialog, CDialog)
ON_NOTIFY(NM_DBLCLK, kListId, OnListDoubleClick)
ON_WM_CTLCOLOR()
END_MESSAGE_MAP()

struct CountingApp : CWinApp {
    int idlePasses = 0;
    bool OnIdle(long count) override { return ++idlePasses, CWinApp::OnIdle(count); }
};

// Presses OK in every window of this thread at every third tick, as a user would a while after a dialog opened.
BOOL CALLBACK PressOk(HWND window, LPARAM) { return ::PostMessageA(window, WM_COMMAND, IDOK, 0), TRUE; }
void CALLBACK PressOkAtTheThirdTick(HWND, UINT, UINT_PTR, DWORD) {
    static int ticks = 0;
    if (++ticks % 3 == 0)
        EnumThreadWindows(GetCurrentThreadId(), PressOk, 0);
}

// Each dialog ends with its code and leaves no window (the last case binds a list the template does not have);
// the idle pass runs while a dialog or a message box waits for the user.
TEST(FrameworkDialog, ModalDialogBindsMeasuresAnswersEndsWithItsCodeAndKeepsTheIdlePass) {
    CountingApp app;
    const UINT_PTR timer = SetTimer(nullptr, 0, 150, PressOkAtTheThirdTick);
    using enum TestDialog::Action;
    const auto brush = [](int colour) { return reinterpret_cast<LRESULT>(GetSysColorBrush(colour)); };
    const std::tuple<TestDialog::Action, UINT, INT_PTR> cases[] = {
        {WaitForOk, kListId, IDOK}, {PressEscape, kListId, IDCANCEL}, {Throw, kListId, -1}, {WaitForOk, 999, -1}};
    for (const auto& [action, listId, expected] : cases) {
        SCOPED_TRACE(testing::Message() << static_cast<int>(action) << " " << listId);
        TestDialog dialog;
        dialog.action = action;
        dialog.BindControl(listId, dialog.list);
        dialog.BindControl(IDOK, dialog.ok);
        EXPECT_EQ(dialog.DoModal(), expected);
        EXPECT_EQ(std::tuple(dialog.hwnd, dialog.list.hwnd, dialog.ok.hwnd), std::tuple(HWND{}, HWND{}, HWND{}));
        if (expected == -1)
            continue;
        EXPECT_EQ(dialog.rowHeightError, 0);
        EXPECT_EQ(dialog.answers,
                  (std::vector{LRESULT{42}, brush(COLOR_HIGHLIGHT), brush(COLOR_INFOBK), brush(COLOR_INFOBK)}));
        EXPECT_EQ(dialog.ok.clicks, action == WaitForOk ? 1 : 0);
        EXPECT_TRUE(action != WaitForOk || app.idlePasses > 0) << "no idle pass while the dialog waited";
    }
    app.idlePasses = 0;
    EXPECT_EQ(AfxMessageBox("question?", MB_OKCANCEL | MB_ICONQUESTION), IDOK);
    EXPECT_GT(app.idlePasses, 0) << "no idle pass while the message box waited";
    KillTimer(nullptr, timer);
}

} // namespace
