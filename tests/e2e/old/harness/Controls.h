// Readers for the common controls of another process: list view, header, status bar and toolbar. Each wraps the
// window handle and the process handle needed for the pointer-carrying messages (see RemoteMemory.h).
#ifndef PELLORAN_E2E_CONTROLS_H
#define PELLORAN_E2E_CONTROLS_H

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

namespace e2e {

struct ListColumn {
    std::string title;
    int width = 0;
    int format = 0; // LVCFMT_LEFT, LVCFMT_RIGHT or LVCFMT_CENTER
};

class HeaderCtrl {
public:
    HeaderCtrl(HANDLE process, HWND window) : process(process), window(window) {}
    HWND Handle() const { return window; }
    int ItemCount() const;
    RECT ItemRect(int index) const;  // client coordinates of the header
    int ItemFormat(int index) const; // HDF_* flags, HDF_OWNERDRAW included

private:
    HANDLE process;
    HWND window;
};

class ListView {
public:
    ListView(HANDLE process, HWND window) : process(process), window(window) {}
    HWND Handle() const { return window; }
    HeaderCtrl Header() const;

    int ColumnCount() const; // the header's item count
    ListColumn Column(int index) const;
    std::vector<ListColumn> Columns() const;
    std::vector<std::string> ColumnTitles() const;
    std::vector<int> ColumnWidths() const;

    int RowCount() const;
    int CountPerPage() const;
    std::string CellText(int row, int column) const;
    std::vector<std::string> Row(int row) const;
    std::vector<std::vector<std::string>> Rows() const;
    std::vector<std::string> ColumnTexts(int column) const; // the column's cell of every row

    int SelectedRow() const;                              // -1 when none
    void SelectRow(int row);                              // selects and focuses the row, deselecting the others
    RECT ItemRect(int row, int code = LVIR_BOUNDS) const; // client coordinates of the list
    DWORD ExtendedStyle() const;

private:
    HANDLE process;
    HWND window;
};

class StatusBar {
public:
    StatusBar(HANDLE process, HWND window) : process(process), window(window) {}
    HWND Handle() const { return window; }
    bool IsSimple() const;
    // The text of a part; in simple mode the simple text, whatever the part.
    std::string Text(int part = 0) const;

private:
    HANDLE process;
    HWND window;
};

struct ToolButton {
    int id = 0;
    bool separator = false;
    bool enabled = false;
    bool checked = false;
    bool pressed = false;
    bool hidden = false;
};

class ToolBar {
public:
    ToolBar(HANDLE process, HWND window) : process(process), window(window) {}
    HWND Handle() const { return window; }
    int ButtonCount() const;
    std::vector<ToolButton> Buttons() const;
    ToolButton ButtonById(int id) const; // throws when the toolbar has no such button
    RECT ButtonRect(int index) const;    // client coordinates of the toolbar

private:
    HANDLE process;
    HWND window;
};

} // namespace e2e

#endif
