// Cross-process readers of list view, header, status bar and toolbar.
#include "Controls.h"
#include "RemoteMemory.h"
#include "Wait.h"
#include "WindowInfo.h"

#include <commctrl.h>

namespace e2e {

namespace {

constexpr int kTextCapacity = 1024;

std::string Where(const char* what, int index) { return std::string(what) + " " + std::to_string(index); }

} // namespace

int HeaderCtrl::ItemCount() const { return static_cast<int>(Send(window, HDM_GETITEMCOUNT)); }

RECT HeaderCtrl::ItemRect(int index) const {
    RemoteBuffer buffer(process, sizeof(RECT));
    if (!Send(window, HDM_GETITEMRECT, index, buffer.Param()))
        Fail(Where("HDM_GETITEMRECT failed for header item", index));
    return buffer.Get<RECT>();
}

int HeaderCtrl::ItemFormat(int index) const {
    RemoteBuffer buffer(process, sizeof(HDITEMA));
    HDITEMA item{};
    item.mask = HDI_FORMAT;
    buffer.Put(item);
    if (!Send(window, HDM_GETITEMA, index, buffer.Param()))
        Fail(Where("HDM_GETITEM failed for header item", index));
    return buffer.Get<HDITEMA>().fmt;
}

HeaderCtrl ListView::Header() const {
    const auto header = reinterpret_cast<HWND>(Send(window, LVM_GETHEADER));
    if (!header)
        Fail("the list has no header");
    return HeaderCtrl(process, header);
}

int ListView::ColumnCount() const { return Header().ItemCount(); }

ListColumn ListView::Column(int index) const {
    RemoteBuffer buffer(process, sizeof(LVCOLUMNA) + kTextCapacity);
    LVCOLUMNA column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    column.pszText = buffer.At<char>(sizeof column);
    column.cchTextMax = kTextCapacity;
    buffer.Put(column);
    if (!Send(window, LVM_GETCOLUMNA, index, buffer.Param()))
        Fail(Where("LVM_GETCOLUMN failed for column", index));
    const auto answer = buffer.Get<LVCOLUMNA>();
    return {buffer.GetText(sizeof column, kTextCapacity - 1), answer.cx, answer.fmt & LVCFMT_JUSTIFYMASK};
}

std::vector<ListColumn> ListView::Columns() const {
    std::vector<ListColumn> columns;
    const int count = ColumnCount();
    for (int i = 0; i < count; ++i)
        columns.push_back(Column(i));
    return columns;
}

std::vector<std::string> ListView::ColumnTitles() const {
    std::vector<std::string> titles;
    for (const auto& column : Columns())
        titles.push_back(column.title);
    return titles;
}

std::vector<int> ListView::ColumnWidths() const {
    std::vector<int> widths;
    const int count = ColumnCount();
    for (int i = 0; i < count; ++i)
        widths.push_back(static_cast<int>(Send(window, LVM_GETCOLUMNWIDTH, i)));
    return widths;
}

int ListView::RowCount() const { return static_cast<int>(Send(window, LVM_GETITEMCOUNT)); }

int ListView::CountPerPage() const { return static_cast<int>(Send(window, LVM_GETCOUNTPERPAGE)); }

std::string ListView::CellText(int row, int column) const {
    RemoteBuffer buffer(process, sizeof(LVITEMA) + kTextCapacity);
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = buffer.At<char>(sizeof item);
    item.cchTextMax = kTextCapacity;
    buffer.Put(item);
    Send(window, LVM_GETITEMTEXTA, row, buffer.Param());
    return buffer.GetText(sizeof item, kTextCapacity - 1);
}

std::vector<std::string> ListView::Row(int row) const {
    std::vector<std::string> cells;
    const int columns = ColumnCount();
    for (int column = 0; column < columns; ++column)
        cells.push_back(CellText(row, column));
    return cells;
}

std::vector<std::vector<std::string>> ListView::Rows() const {
    std::vector<std::vector<std::string>> rows;
    const int count = RowCount();
    for (int row = 0; row < count; ++row)
        rows.push_back(Row(row));
    return rows;
}

std::vector<std::string> ListView::ColumnTexts(int column) const {
    std::vector<std::string> texts;
    for (int row = 0, count = RowCount(); row < count; ++row)
        texts.push_back(CellText(row, column));
    return texts;
}

int ListView::SelectedRow() const {
    return static_cast<int>(Send(window, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void ListView::SelectRow(int row) {
    RemoteBuffer buffer(process, sizeof(LVITEMA));
    LVITEMA item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = 0;
    buffer.Put(item);
    Send(window, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), buffer.Param()); // -1: every row
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    buffer.Put(item);
    if (!Send(window, LVM_SETITEMSTATE, row, buffer.Param()))
        Fail(Where("cannot select row", row));
}

RECT ListView::ItemRect(int row, int code) const {
    RemoteBuffer buffer(process, sizeof(RECT));
    RECT rect{};
    rect.left = code;
    buffer.Put(rect);
    if (!Send(window, LVM_GETITEMRECT, row, buffer.Param()))
        Fail(Where("LVM_GETITEMRECT failed for row", row));
    return buffer.Get<RECT>();
}

DWORD ListView::ExtendedStyle() const { return static_cast<DWORD>(Send(window, LVM_GETEXTENDEDLISTVIEWSTYLE)); }

bool StatusBar::IsSimple() const { return Send(window, SB_ISSIMPLE) != 0; }

std::string StatusBar::Text(int part) const {
    const WPARAM index = IsSimple() ? SB_SIMPLEID : static_cast<WPARAM>(part);
    const int length = LOWORD(Send(window, SB_GETTEXTLENGTHA, index));
    RemoteBuffer buffer(process, static_cast<size_t>(length) + 1);
    Send(window, SB_GETTEXTA, index, buffer.Param());
    return buffer.GetText(0, static_cast<size_t>(length));
}

int ToolBar::ButtonCount() const { return static_cast<int>(Send(window, TB_BUTTONCOUNT)); }

std::vector<ToolButton> ToolBar::Buttons() const {
    std::vector<ToolButton> buttons;
    RemoteBuffer buffer(process, sizeof(TBBUTTON));
    const int count = ButtonCount();
    for (int i = 0; i < count; ++i) {
        if (!Send(window, TB_GETBUTTON, i, buffer.Param()))
            Fail(Where("TB_GETBUTTON failed for button", i));
        const auto button = buffer.Get<TBBUTTON>();
        ToolButton info;
        info.id = button.idCommand;
        info.separator = (button.fsStyle & BTNS_SEP) != 0;
        info.enabled = (button.fsState & TBSTATE_ENABLED) != 0;
        info.checked = (button.fsState & TBSTATE_CHECKED) != 0;
        info.pressed = (button.fsState & TBSTATE_PRESSED) != 0;
        info.hidden = (button.fsState & TBSTATE_HIDDEN) != 0;
        buttons.push_back(info);
    }
    return buttons;
}

ToolButton ToolBar::ButtonById(int id) const {
    for (const auto& button : Buttons()) {
        if (!button.separator && button.id == id)
            return button;
    }
    Fail("the toolbar has no button " + std::to_string(id));
}

RECT ToolBar::ButtonRect(int index) const {
    RemoteBuffer buffer(process, sizeof(RECT));
    if (!Send(window, TB_GETITEMRECT, index, buffer.Param()))
        Fail(Where("TB_GETITEMRECT failed for button", index));
    return buffer.Get<RECT>();
}

} // namespace e2e
