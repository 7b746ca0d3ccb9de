// Thin wrappers of the list-view and header common controls, named after the messages they send.
#pragma once

#include "Wnd.h"

class CHeaderCtrl : public CWnd {
public:
    int GetItemCount() const { return static_cast<int>(SendMessage(HDM_GETITEMCOUNT)); }
    BOOL GetItem(int index, HDITEMA* item) const {
        return static_cast<BOOL>(SendMessage(HDM_GETITEMA, index, reinterpret_cast<LPARAM>(item)));
    }
    BOOL SetItem(int index, HDITEMA* item) const {
        return static_cast<BOOL>(SendMessage(HDM_SETITEMA, index, reinterpret_cast<LPARAM>(item)));
    }
    BOOL GetItemRect(int index, RECT* rect) const {
        return static_cast<BOOL>(SendMessage(HDM_GETITEMRECT, index, reinterpret_cast<LPARAM>(rect)));
    }
};

class CListCtrl : public CWnd {
public:
    bool Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);

    DWORD SetExtendedStyle(DWORD exStyle) const {
        return static_cast<DWORD>(SendMessage(LVM_SETEXTENDEDLISTVIEWSTYLE, 0, exStyle));
    }
    DWORD GetExtendedStyle() const { return static_cast<DWORD>(SendMessage(LVM_GETEXTENDEDLISTVIEWSTYLE)); }
    int InsertColumn(int index, const char* title, int format, int width) const;
    BOOL DeleteColumn(int index) const { return static_cast<BOOL>(SendMessage(LVM_DELETECOLUMN, index)); }
    BOOL GetColumn(int index, LVCOLUMNA* column) const {
        return static_cast<BOOL>(SendMessage(LVM_GETCOLUMNA, index, reinterpret_cast<LPARAM>(column)));
    }
    int GetColumnWidth(int index) const { return static_cast<int>(SendMessage(LVM_GETCOLUMNWIDTH, index)); }
    BOOL SetColumnWidth(int index, int width) const {
        return static_cast<BOOL>(SendMessage(LVM_SETCOLUMNWIDTH, index, MAKELPARAM(width, 0)));
    }
    HWND GetHeaderCtrl() const { return reinterpret_cast<HWND>(SendMessage(LVM_GETHEADER)); }

    int GetItemCount() const { return static_cast<int>(SendMessage(LVM_GETITEMCOUNT)); }
    int GetCountPerPage() const { return static_cast<int>(SendMessage(LVM_GETCOUNTPERPAGE)); }
    int InsertItem(int index, const char* text) const;
    BOOL DeleteItem(int index) const { return static_cast<BOOL>(SendMessage(LVM_DELETEITEM, index)); }
    BOOL DeleteAllItems() const { return static_cast<BOOL>(SendMessage(LVM_DELETEALLITEMS)); }
    BOOL SetItemText(int item, int subItem, const char* text) const;
    std::string GetItemText(int item, int subItem) const;
    int GetItemText(int item, int subItem, char* buffer, int size) const;
    UINT GetItemState(int item, UINT mask) const {
        return static_cast<UINT>(SendMessage(LVM_GETITEMSTATE, item, mask));
    }
    BOOL SetItemState(int item, UINT state, UINT mask) const;
    BOOL GetItem(LVITEMA* item) const {
        return static_cast<BOOL>(SendMessage(LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(item)));
    }
    BOOL SetItem(const LVITEMA* item) const {
        return static_cast<BOOL>(SendMessage(LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(item)));
    }
    BOOL GetItemRect(int item, RECT* rect, int code) const;

    // Makes a list with owner-drawn fixed rows ask its parent for the row height again (WM_MEASUREITEM).
    void RemeasureItems() const;

protected:
    // The list measured its owner-drawn rows while it was created, before this object was linked to it (in
    // a dialog: before WM_INITDIALOG), so the answer was the default; once linked it measures again.
    void PreSubclassWindow() override;
};
