// The framework's window plumbing on real windows of this thread: a refused or throwing creation leaves no
// window, control notifications reach the control that raised them, and modal dialogs link, bind their
// controls, return their results the way the dialog manager reads them and keep the frame's idle pass going.
#include "controls/SortListCtrl.h"
#include "framework/Controls.h"
#include "framework/Dialog.h"
#include "framework/FrameWnd.h"
#include "framework/WinApp.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace {

BOOL CALLBACK CountWindow(HWND, LPARAM count) { return ++*reinterpret_cast<int*>(count), TRUE; }

int CountThreadWindows() {
    int count = 0;
    EnumThreadWindows(GetCurrentThreadId(), CountWindow, reinterpret_cast<LPARAM>(&count));
    return count;
}

// Asks every window owned by `owner` to close as if OK were pressed.
BOOL CALLBACK PressOkOnOwned(HWND w, LPARAM owner) {
    if (GetWindow(w, GW_OWNER) == reinterpret_cast<HWND>(owner))
        ::PostMessageA(w, WM_COMMAND, IDOK, 0);
    return TRUE;
}

// ---- Creation failure ----

class RefusingWnd : public CWnd {
public:
    UINT throwAt = 0; // WM_NCCREATE or WM_CREATE
    int endings = 0;

protected:
    LRESULT OnNcCreate(WPARAM, LPARAM) {
        if (throwAt == WM_NCCREATE)
            throw std::runtime_error("no");
        return Default();
    }
    int OnCreate(LPCREATESTRUCT) {
        if (throwAt == WM_CREATE)
            throw std::runtime_error("no");
        return 0;
    }
    void PostNcDestroy() override { ++endings; }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(RefusingWnd, CWnd)
ON_MESSAGE(WM_NCCREATE, OnNcCreate)
ON_WM_CREATE()
END_MESSAGE_MAP()

class ThrowingFrame : public CFrameWnd {
public:
    static inline int deleted = 0;
    ~ThrowingFrame() override { ++deleted; }

protected:
    int OnCreate(LPCREATESTRUCT) { throw std::runtime_error("bar creation failed"); }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(ThrowingFrame, CFrameWnd)
ON_WM_CREATE()
END_MESSAGE_MAP()

TEST(FrameworkCreation, AHandlerThatThrowsDuringCreationLeavesNoWindow) {
    const char* cls = AfxRegisterWndClass(0);
    const int before = CountThreadWindows();
    for (UINT message : {WM_NCCREATE, WM_CREATE}) {
        RefusingWnd wnd;
        wnd.throwAt = message;
        EXPECT_FALSE(wnd.CreateEx(0, cls, "refused", WS_OVERLAPPEDWINDOW, CRect(0, 0, 100, 100), nullptr, 0))
            << message;
        EXPECT_EQ(wnd.hwnd, nullptr) << message;
        EXPECT_EQ(wnd.endings, 1) << message;
    }
    RefusingWnd fine;
    ASSERT_TRUE(fine.CreateEx(0, cls, "fine", WS_OVERLAPPEDWINDOW, CRect(0, 0, 100, 100), nullptr, 0));
    fine.DestroyWindow();
    EXPECT_EQ(fine.endings, 1);
    // A frame deletes itself in PostNcDestroy: once.
    ThrowingFrame::deleted = 0;
    EXPECT_FALSE(
        (new ThrowingFrame)->CreateEx(0, nullptr, "frame", WS_OVERLAPPEDWINDOW, CRect(0, 0, 200, 200), nullptr, 0));
    EXPECT_EQ(ThrowingFrame::deleted, 1);
    EXPECT_EQ(CountThreadWindows(), before);
}

// ---- Reflection ----

struct Calls {
    int reflectedClicks = 0, parentClicks = 0;
    std::vector<UINT> reflected; // ctl-colour types seen by the control
    std::vector<UINT> parent;    // the same, seen by the parent
};

class ReflectingButton : public CButton {
public:
    Calls* calls = nullptr;
    HBRUSH brush = nullptr; // null: leaves the colours to the parent

protected:
    void OnClicked() { ++calls->reflectedClicks; }
    HBRUSH CtlColor(HDC, UINT type) {
        calls->reflected.push_back(type);
        return brush;
    }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(ReflectingButton, CButton)
ON_CONTROL_REFLECT(BN_CLICKED, OnClicked)
ON_WM_CTLCOLOR_REFLECT()
END_MESSAGE_MAP()

class ParentWnd : public CWnd {
public:
    Calls* calls = nullptr;
    HBRUSH brush = nullptr;

protected:
    void OnSecondClicked() { ++calls->parentClicks; }
    void OnFirstClicked() { calls->parentClicks += 100; }
    HBRUSH OnCtlColor(HDC, HWND, UINT type) {
        calls->parent.push_back(type);
        return brush;
    }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(ParentWnd, CWnd)
ON_BN_CLICKED(2, OnSecondClicked)
ON_BN_CLICKED(1, OnFirstClicked)
ON_WM_CTLCOLOR()
END_MESSAGE_MAP()

TEST(FrameworkReflection, ControlNotificationsGoToTheControlFirstThenToTheParent) {
    Calls calls;
    ParentWnd parent;
    parent.calls = &calls;
    parent.brush = GetSysColorBrush(COLOR_3DFACE);
    ASSERT_TRUE(parent.CreateEx(0, AfxRegisterWndClass(0), "parent", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                CRect(0, 0, 300, 200), nullptr, 0));
    ReflectingButton first, second;
    first.calls = second.calls = &calls;
    first.brush = GetSysColorBrush(COLOR_HIGHLIGHT);
    ASSERT_TRUE(first.Create("first", WS_CHILD | WS_VISIBLE, CRect(0, 0, 80, 30), &parent, 1));
    CButton plain;
    ASSERT_TRUE(plain.Create("plain", WS_CHILD | WS_VISIBLE, CRect(0, 40, 80, 70), &parent, 2));

    // A real click of each button: the reflecting one handles its own, the plain one's goes to the parent.
    first.SendMessage(BM_CLICK);
    plain.SendMessage(BM_CLICK);
    EXPECT_EQ(calls.reflectedClicks, 1);
    EXPECT_EQ(calls.parentClicks, 1);

    // Colours: the control's brush is the answer; a control without a brush, or without a reflect entry,
    // leaves it to the parent's handler.
    calls = {};
    HDC dc = GetDC(parent.hwnd);
    EXPECT_EQ(parent.SendMessage(WM_CTLCOLORBTN, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(first.hwnd)),
              reinterpret_cast<LRESULT>(first.brush));
    EXPECT_EQ(parent.SendMessage(WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(plain.hwnd)),
              reinterpret_cast<LRESULT>(parent.brush));
    first.brush = nullptr;
    EXPECT_EQ(parent.SendMessage(WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(first.hwnd)),
              reinterpret_cast<LRESULT>(parent.brush));
    ReleaseDC(parent.hwnd, dc);
    EXPECT_EQ(calls.reflected, (std::vector<UINT>{CTLCOLOR_BTN, CTLCOLOR_EDIT}));
    EXPECT_EQ(calls.parent, (std::vector<UINT>{CTLCOLOR_STATIC, CTLCOLOR_EDIT}));
    parent.DestroyWindow();
    EXPECT_EQ(first.hwnd, nullptr);
}

// ---- Modal dialogs ----

// Templates in FrameworkWindows.rc.
constexpr UINT kListDialog = 100, kOkDialog = 101;
constexpr UINT kListId = 1001;

class TestDialog : public CDialog {
public:
    enum class Action { ClickOk, PressEscape, Throw };
    using CDialog::CDialog;
    Action action = Action::ClickOk;
    SortListCtrl list;
    bool linkedAtInit = false;
    int rowHeight = 0, expectedRowHeight = -1;
    LRESULT notifyAnswer = 0, ctlColorAnswer = 0;

protected:
    BOOL OnInitDialog() override {
        if (action == Action::Throw)
            throw std::runtime_error("init failed");
        linkedAtInit = FromHandlePermanent(hwnd) == this && FromHandlePermanent(list.hwnd) == &list;
        // The rows as the list measures them, against what SortListCtrl::MeasureItem asks for its font.
        list.InsertColumn(0, "c", LVCFMT_LEFT, 100);
        list.InsertItem(0, "row");
        CRect row;
        list.GetItemRect(0, &row, LVIR_BOUNDS);
        rowHeight = row.Height();
        HDC dc = GetDC(list.hwnd);
        HGDIOBJ old = SelectObject(dc, list.GetFont());
        TEXTMETRICA tm{};
        GetTextMetricsA(dc, &tm);
        SelectObject(dc, old);
        ReleaseDC(list.hwnd, dc);
        expectedRowHeight = tm.tmHeight + tm.tmExternalLeading + 4;

        // Results as the dialog manager hands them to the sender.
        NMHDR header{list.hwnd, kListId, NM_DBLCLK};
        notifyAnswer = SendMessage(WM_NOTIFY, kListId, reinterpret_cast<LPARAM>(&header));
        HDC paint = GetDC(hwnd);
        ctlColorAnswer = SendMessage(WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(paint),
                                     reinterpret_cast<LPARAM>(GetDlgItem(IDCANCEL)));
        ReleaseDC(hwnd, paint);

        if (action == Action::ClickOk)
            ::PostMessageA(GetDlgItem(IDOK), BM_CLICK, 0, 0);
        else
            ::PostMessageA(GetDlgItem(IDOK), WM_KEYDOWN, VK_ESCAPE, 0);
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

TEST(FrameworkDialog, ModalDialogLinksBindsMeasuresAndEndsWithItsCode) {
    struct Case {
        TestDialog::Action action;
        UINT boundId;
        INT_PTR expected;
    } cases[] = {{TestDialog::Action::ClickOk, kListId, IDOK},
                 {TestDialog::Action::PressEscape, kListId, IDCANCEL},
                 {TestDialog::Action::Throw, kListId, -1},
                 {TestDialog::Action::ClickOk, 999, -1}}; // bound control missing from the template
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << (&c - cases));
        TestDialog dialog(kListDialog);
        dialog.action = c.action;
        dialog.BindControl(c.boundId, dialog.list);
        EXPECT_EQ(dialog.DoModal(), c.expected);
        EXPECT_EQ(dialog.hwnd, nullptr);
        EXPECT_EQ(dialog.list.hwnd, nullptr);
        if (c.expected == -1)
            continue;
        EXPECT_TRUE(dialog.linkedAtInit);
        EXPECT_EQ(dialog.rowHeight, dialog.expectedRowHeight);
        EXPECT_EQ(dialog.notifyAnswer, 42);
        EXPECT_EQ(dialog.ctlColorAnswer, reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_INFOBK)));
    }
}

// ---- Idle pass under modal loops ----

class CountingApp : public CWinApp {
public:
    int idlePasses = 0;
    bool OnIdle(long count) override {
        ++idlePasses;
        return CWinApp::OnIdle(count);
    }
};

// Ends whatever modal window it owns at every third tick of its timer, as a user would a while after it opened.
class ClosingFrame : public CFrameWnd {
protected:
    int ticks = 0;
    void OnTimer(UINT_PTR) {
        if (++ticks % 3 != 0)
            return;
        EnumThreadWindows(GetCurrentThreadId(), PressOkOnOwned, reinterpret_cast<LPARAM>(hwnd));
    }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(ClosingFrame, CFrameWnd)
ON_WM_TIMER()
END_MESSAGE_MAP()

TEST(FrameworkDialog, TheFrameIdlePassRunsWhileADialogOrMessageBoxIsOpen) {
    CountingApp app;
    auto* frame = new ClosingFrame;
    ASSERT_TRUE(
        frame->CreateEx(0, nullptr, "owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, CRect(0, 0, 300, 300), nullptr, 0));
    app.mainWnd = frame;
    frame->SetTimer(1, 150);

    CDialog dialog(kOkDialog, frame);
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_GT(app.idlePasses, 0) << "dialog";

    app.idlePasses = 0;
    EXPECT_EQ(AfxMessageBox("question?", MB_OKCANCEL | MB_ICONQUESTION), IDOK);
    EXPECT_GT(app.idlePasses, 0) << "message box";

    app.mainWnd = nullptr; // no quit message for the test's thread
    frame->DestroyWindow();
}

} // namespace
