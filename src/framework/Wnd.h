// CWnd: a C++ object linked to one window handle.
//
// Our own windows are linked when the window is being created (the object being created is remembered
// per thread and attached at the first message); system controls are linked by subclassing. The links
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
    bool SubclassWindow(HWND handle);
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
    // A notification sent to the parent, offered to the control that raised it first.
    virtual bool OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);

    virtual BOOL PreCreateWindow(CREATESTRUCTA& cs) { return TRUE; }
    virtual void PreSubclassWindow() {}
    virtual void PostNcDestroy() {}

    // Owner-drawn controls paint themselves (reflected from the parent's WM_DRAWITEM).
    virtual void DrawItem(LPDRAWITEMSTRUCT drawItem) {}
    virtual void MeasureItem(LPMEASUREITEMSTRUCT measureItem) {}

    friend LRESULT CALLBACK AfxWndProc(HWND, UINT, WPARAM, LPARAM);

private:
    void Attach(HWND handle);
    void Detach();

    WNDPROC superProc = nullptr;
    const MSG* currentMsg = nullptr;
};

LRESULT CALLBACK AfxWndProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam);

// Registers (once) and returns the name of a window class with the given class style, cursor,
// background and icon, all served by AfxWndProc.
const char* AfxRegisterWndClass(UINT classStyle, HCURSOR cursor = nullptr, HBRUSH background = nullptr,
                                HICON icon = nullptr);
