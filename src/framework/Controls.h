// Thin wrappers of the standard controls a dialog template holds, named after the messages they send.
// Link one to its template control with CDialog::BindControl or CWnd::SubclassDlgItem.
#pragma once

#include "Wnd.h"

class CButton : public CWnd {
public:
    bool Create(const char* text, DWORD style, const RECT& rect, CWnd* parent, UINT id) {
        return CreateEx(0, "BUTTON", text, style, rect, parent->hwnd, id);
    }
    int GetCheck() const { return static_cast<int>(SendMessage(BM_GETCHECK)); }
    void SetCheck(int check) const { SendMessage(BM_SETCHECK, static_cast<WPARAM>(check)); }
    UINT GetState() const { return static_cast<UINT>(SendMessage(BM_GETSTATE)); }
};

class CEdit : public CWnd {
public:
    void LimitText(int maxChars = 0) const { SendMessage(EM_LIMITTEXT, static_cast<WPARAM>(maxChars)); }
    void SetSel(int start, int end) const { SendMessage(EM_SETSEL, static_cast<WPARAM>(start), end); }
    void ReplaceSel(const char* text, BOOL canUndo = FALSE) const {
        SendMessage(EM_REPLACESEL, canUndo, reinterpret_cast<LPARAM>(text));
    }
    void SetReadOnly(BOOL readOnly = TRUE) const { SendMessage(EM_SETREADONLY, readOnly); }
};

class CComboBox : public CWnd {
public:
    int AddString(const char* text) const {
        return static_cast<int>(SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)));
    }
    int GetCount() const { return static_cast<int>(SendMessage(CB_GETCOUNT)); }
    int GetCurSel() const { return static_cast<int>(SendMessage(CB_GETCURSEL)); }
    int SetCurSel(int index) const { return static_cast<int>(SendMessage(CB_SETCURSEL, static_cast<WPARAM>(index))); }
    void ResetContent() const { SendMessage(CB_RESETCONTENT); }
    std::string GetLBText(int index) const {
        LRESULT length = SendMessage(CB_GETLBTEXTLEN, static_cast<WPARAM>(index));
        if (length == CB_ERR)
            return std::string();
        std::string text(static_cast<size_t>(length) + 1, '\0');
        LRESULT copied = SendMessage(CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
        text.resize(copied == CB_ERR ? 0 : static_cast<size_t>(copied));
        return text;
    }
};

class CStatic : public CWnd {
public:
    bool Create(const char* text, DWORD style, const RECT& rect, CWnd* parent, UINT id = 0xFFFF) {
        return CreateEx(0, "STATIC", text, style, rect, parent->hwnd, id);
    }
    HICON SetIcon(HICON icon) const {
        return reinterpret_cast<HICON>(SendMessage(STM_SETICON, reinterpret_cast<WPARAM>(icon)));
    }
    HBITMAP SetBitmap(HBITMAP bitmap) const {
        return reinterpret_cast<HBITMAP>(SendMessage(STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap)));
    }
};
