// CWnd: a C++ object linked to one window handle.
//
// Our own windows are linked when the window is being created (the object being created is remembered
// per thread and attached at the first message); system controls are linked by subclassing, dialogs at
// their first message (see Dialog.h). The links
// live in a per-thread map, so a handle finds its object from any message of its thread. The window procedure only
// unpacks the message: WindowProc -> OnWndMsg -> the message map, and anything unhandled goes to the
// default procedure (the control's own one for subclassed controls).
#pragma once

#include "CmdTarget.h"

class CFrameWnd;

class CWnd : public CCmdTarget {
public:
    HWND hwnd = nullptr;

    CWnd() = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;
    ~CWnd() override;

    operator HWND() const { return hwnd; }

    // The object linked to a handle, or null.
    static CWnd* FromHandlePermanent(HWND handle);

    bool CreateEx(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, const RECT& rect, HWND parent,
                  UINT_PTR idOrMenu, void* param = nullptr);
    // A failed creation (PreCreateWindow refuses, CreateWindowEx fails, a WM_NCCREATE or WM_CREATE handler
    // refuses or throws) returns false and leaves no window. PostNcDestroy has then run exactly once, as for
    // any destroyed window: an object that deletes itself there is gone, the caller must not touch it.
    bool SubclassWindow(HWND handle);
    // Links the control `id` of `parent` (a dialog's template control, say) to this object.
    bool SubclassDlgItem(UINT id, CWnd* parent);
    HWND UnsubclassWindow();
    BOOL DestroyWindow();

    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::SendMessageA(hwnd, message, wParam, lParam);
    }
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return ::PostMessageA(hwnd, message, wParam, lParam);
    }
    BOOL ShowWindow(int cmd) const { return ::ShowWindow(hwnd, cmd); }
    BOOL UpdateWindow() const { return ::UpdateWindow(hwnd); }
    BOOL IsWindowVisible() const { return ::IsWindowVisible(hwnd); }
    void GetClientRect(RECT* rect) const { ::GetClientRect(hwnd, rect); }
    void GetWindowRect(RECT* rect) const { ::GetWindowRect(hwnd, rect); }
    void MoveWindow(const RECT& rect, BOOL repaint = TRUE) const {
        ::MoveWindow(hwnd, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, repaint);
    }
    BOOL SetWindowPos(HWND after, int x, int y, int cx, int cy, UINT flags) const {
        return ::SetWindowPos(hwnd, after, x, y, cx, cy, flags);
    }
    void Invalidate(BOOL erase = TRUE) const { ::InvalidateRect(hwnd, nullptr, erase); }
    void InvalidateRect(const RECT* rect, BOOL erase = TRUE) const { ::InvalidateRect(hwnd, rect, erase); }
    UINT_PTR SetTimer(UINT_PTR id, UINT elapse) const { return ::SetTimer(hwnd, id, elapse, nullptr); }
    BOOL KillTimer(UINT_PTR id) const { return ::KillTimer(hwnd, id); }
    void SetRedraw(BOOL redraw) const { SendMessage(WM_SETREDRAW, redraw, 0); }
    HWND GetDlgItem(int id) const { return ::GetDlgItem(hwnd, id); }
    std::string GetDlgItemText(int id) const;
    void SetDlgItemText(int id, const char* text) const { ::SetDlgItemTextA(hwnd, id, text); }
    UINT GetDlgItemInt(int id, BOOL* translated = nullptr, BOOL isSigned = TRUE) const {
        return ::GetDlgItemInt(hwnd, id, translated, isSigned);
    }
    void SetDlgItemInt(int id, UINT value, BOOL isSigned = TRUE) const { ::SetDlgItemInt(hwnd, id, value, isSigned); }
    void CheckDlgButton(int id, UINT check) const { ::CheckDlgButton(hwnd, id, check); }
    UINT IsDlgButtonChecked(int id) const { return ::IsDlgButtonChecked(hwnd, id); }
    BOOL EnableWindow(BOOL enable = TRUE) const { return ::EnableWindow(hwnd, enable); }
    HFONT GetFont() const { return reinterpret_cast<HFONT>(SendMessage(WM_GETFONT)); }
    void SetFont(HFONT font, BOOL redraw = TRUE) const {
        SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font), redraw);
    }
    int GetDlgCtrlID() const { return ::GetDlgCtrlID(hwnd); }
    DWORD GetStyle() const { return static_cast<DWORD>(::GetWindowLongPtrA(hwnd, GWL_STYLE)); }
    DWORD GetExStyle() const { return static_cast<DWORD>(::GetWindowLongPtrA(hwnd, GWL_EXSTYLE)); }
    BOOL ModifyStyle(DWORD remove, DWORD add) const;
    BOOL ModifyStyleEx(DWORD remove, DWORD add) const;
    std::string GetWindowText() const;
    void SetWindowText(const char* text) const { ::SetWindowTextA(hwnd, text); }
    CFrameWnd* GetParentFrame() const;

protected:
    // Runs the message through the message map; returns false when no handler took it.
    virtual bool OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Default processing of the message being handled (for handlers that let it through).
    LRESULT Default();

    virtual bool OnCommand(WPARAM wParam, LPARAM lParam);
    virtual bool OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result);
    // A notification sent to the parent (WM_NOTIFY, WM_COMMAND of a control, WM_CTLCOLOR*), offered to the
    // control that raised it first; true when the control's reflect entry took it.
    virtual bool OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);

    virtual BOOL PreCreateWindow(CREATESTRUCTA& cs) { return TRUE; }
    virtual void PreSubclassWindow() {}
    virtual void PostNcDestroy() {}

    // Owner-drawn controls paint themselves (reflected from the parent's WM_DRAWITEM).
    virtual void DrawItem(LPDRAWITEMSTRUCT drawItem) {}
    virtual void MeasureItem(LPMEASUREITEMSTRUCT measureItem) {}

    friend LRESULT CALLBACK AfxWndProc(HWND, UINT, WPARAM, LPARAM);

    void Attach(HWND handle);
    void Detach();

    const MSG* currentMsg = nullptr;

private:
    WNDPROC superProc = nullptr;
};

LRESULT CALLBACK AfxWndProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam);

// Registers (once) and returns the name of a window class with the given class style, cursor,
// background and icon, all served by AfxWndProc.
const char* AfxRegisterWndClass(UINT classStyle, HCURSOR cursor = nullptr, HBRUSH background = nullptr,
                                HICON icon = nullptr);
