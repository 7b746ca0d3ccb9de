// Toolbar and status bar on top of the common controls.
#include "ControlBar.h"
#include "FrameWnd.h"
#include "AfxRes.h"

#include <algorithm>

namespace {

constexpr UINT kSafeTextLimit = 512;

// Layout resource: version, picture width, picture height, item count, ids (0 = separator).
struct ToolBarLayout {
    WORD version;
    WORD width;
    WORD height;
    WORD count;
};

} // namespace

BEGIN_MESSAGE_MAP(CToolBar, CControlBar)
ON_NOTIFY_REFLECT(TBN_HOTITEMCHANGE, OnHotItemChange)
END_MESSAGE_MAP()

CToolBar::~CToolBar() {
    if (images != nullptr)
        ImageList_Destroy(images);
}

bool CToolBar::Create(CWnd* parent, DWORD style, UINT id) { return CreateEx(parent, 0, style, id); }

bool CToolBar::CreateEx(CWnd* parent, DWORD toolStyle, DWORD style, UINT id) {
    barStyle = style & (CBRS_ALIGN_ANY | CBRS_BORDER_LEFT | CBRS_BORDER_TOP | CBRS_BORDER_RIGHT | CBRS_BORDER_BOTTOM |
                        CBRS_TOOLTIPS | CBRS_FLYBY | CBRS_SIZE_DYNAMIC);
    DWORD windowStyle = WS_CHILD | (style & WS_VISIBLE) | CCS_NOPARENTALIGN | CCS_NORESIZE | CCS_NODIVIDER | toolStyle |
                        ((style & CBRS_TOOLTIPS) ? TBSTYLE_TOOLTIPS : 0);
    if (!CWnd::CreateEx(0, TOOLBARCLASSNAMEA, "", windowStyle, CRect(), parent->hwnd, id))
        return false;
    SendMessage(TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    return true;
}

bool CToolBar::LoadToolBar(UINT resourceId) {
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(resourceId), MAKEINTRESOURCEA(RT_TOOLBAR_TYPE));
    if (found == nullptr || SizeofResource(module, found) < sizeof(ToolBarLayout))
        return false;
    const auto* layout = static_cast<const ToolBarLayout*>(LockResource(LoadResource(module, found)));
    if (layout == nullptr || layout->version != 1 ||
        SizeofResource(module, found) < sizeof(ToolBarLayout) + layout->count * sizeof(WORD))
        return false;
    const auto* items = reinterpret_cast<const WORD*>(layout + 1);
    std::vector<UINT> ids(items, items + layout->count);
    if (!SetButtons(ids))
        return false;
    SetSizes(SIZE{layout->width + 7, layout->height + 6}, SIZE{layout->width, layout->height});

    HBITMAP bitmap =
        static_cast<HBITMAP>(LoadImageA(module, MAKEINTRESOURCEA(resourceId), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (bitmap == nullptr)
        return false;
    if (images != nullptr)
        ImageList_Destroy(images);
    images = ImageList_Create(layout->width, layout->height, ILC_COLOR24 | ILC_MASK, layout->count, 1);
    bool added = images != nullptr && ImageList_AddMasked(images, bitmap, RGB(255, 0, 255)) >= 0;
    DeleteObject(bitmap);
    if (!added)
        return false;
    SendMessage(TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images));
    return true;
}

bool CToolBar::SetButtons(const std::vector<UINT>& ids) {
    while (GetButtonCount() > 0)
        SendMessage(TB_DELETEBUTTON, 0, 0);
    std::vector<TBBUTTON> buttons;
    int picture = 0;
    for (UINT id : ids) {
        TBBUTTON button{};
        if (id == 0) {
            button.fsStyle = TBSTYLE_SEP;
            button.iBitmap = 6;
        } else {
            button.iBitmap = picture++;
            button.idCommand = static_cast<int>(id);
            button.fsState = TBSTATE_ENABLED;
            button.fsStyle = TBSTYLE_BUTTON;
        }
        buttons.push_back(button);
    }
    return SendMessage(TB_ADDBUTTONSA, buttons.size(), reinterpret_cast<LPARAM>(buttons.data())) != 0;
}

void CToolBar::SetSizes(SIZE button, SIZE image) {
    imageSize = image;
    SendMessage(TB_SETBITMAPSIZE, 0, MAKELPARAM(image.cx, image.cy));
    SendMessage(TB_SETBUTTONSIZE, 0, MAKELPARAM(button.cx, button.cy));
}

int CToolBar::CalcHeight(int width) {
    RECT item{};
    if (GetButtonCount() == 0 || !SendMessage(TB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item)))
        return 0;
    return item.bottom + 2 + borders.top + borders.bottom;
}

int CToolBar::CalcWidth(int height) {
    // Upright, every item has a row of its own: the bar is one button wide.
    if (GetButtonCount() == 0)
        return 0;
    return LOWORD(SendMessage(TB_GETBUTTONSIZE)) + 2 + borders.left + borders.right;
}

SIZE CToolBar::CalcFloatSize() {
    // The one-row extent can only be measured while the items lie in one row; an upright bar reports the
    // size last measured, or an estimate from the button size before any measurement.
    int count = GetButtonCount();
    SIZE size{0, 0};
    if (vertical) {
        if (rowSize.cx != 0)
            return rowSize;
        DWORD button = static_cast<DWORD>(SendMessage(TB_GETBUTTONSIZE));
        size = SIZE{LOWORD(button) * count, HIWORD(button)};
    } else {
        for (int i = 0; i < count; ++i) {
            RECT item{};
            if (SendMessage(TB_GETITEMRECT, i, reinterpret_cast<LPARAM>(&item))) {
                size.cx = std::max<LONG>(size.cx, item.right);
                size.cy = std::max<LONG>(size.cy, item.bottom);
            }
        }
    }
    size.cx += 2 + borders.left + borders.right;
    size.cy += 2 + borders.top + borders.bottom;
    if (!vertical)
        rowSize = size;
    return size;
}

void CToolBar::SetVertical(bool upright) {
    if (upright == vertical)
        return;
    if (upright)
        CalcFloatSize(); // the last chance to measure the row before it stands upright
    vertical = upright;
    // One item per row: every item ends its row. Set by position, since separators have no command id.
    int count = GetButtonCount();
    for (int i = 0; i < count; ++i) {
        TBBUTTON button{};
        if (!SendMessage(TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&button)))
            continue;
        TBBUTTONINFOA info{};
        info.cbSize = sizeof(info);
        info.dwMask = TBIF_BYINDEX | TBIF_STATE;
        info.fsState = static_cast<BYTE>(upright ? (button.fsState | TBSTATE_WRAP) : (button.fsState & ~TBSTATE_WRAP));
        SendMessage(TB_SETBUTTONINFOA, i, reinterpret_cast<LPARAM>(&info));
    }
    // Upright, the flat separators are drawn across the bar instead of along it.
    ModifyStyle(upright ? 0 : CCS_VERT, upright ? CCS_VERT : 0);
    SendMessage(TB_AUTOSIZE);
    if (!upright)
        CalcFloatSize();
    Invalidate();
}

void CToolBar::OnHostChanged(HWND host) {
    // The control sends its commands and notices to the window named here (its parent at creation); the
    // floating window hands them on to the frame.
    SendMessage(TB_SETPARENT, reinterpret_cast<WPARAM>(host));
    // Tips show only while the window holding the tool is active. A floating window never is (the frame
    // stays active), so its tips show always.
    if (HWND tips = reinterpret_cast<HWND>(SendMessage(TB_GETTOOLTIPS))) {
        LONG_PTR style = GetWindowLongPtrA(tips, GWL_STYLE);
        SetWindowLongPtrA(tips, GWL_STYLE, IsFloating() ? (style | TTS_ALWAYSTIP) : (style & ~TTS_ALWAYSTIP));
    }
}

void CToolBar::OnUpdateCmdUI(CFrameWnd* target) {
    int count = GetButtonCount();
    for (int i = 0; i < count; ++i) {
        TBBUTTON button{};
        if (!SendMessage(TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&button)) || (button.fsStyle & TBSTYLE_SEP))
            continue;
        CCmdUI state;
        state.id = static_cast<UINT>(button.idCommand);
        state.toolBar = hwnd;
        state.DoUpdate(target, true);
    }
}

void CToolBar::OnHotItemChange(NMHDR* header, LRESULT* result) {
    const auto* hot = reinterpret_cast<const NMTBHOTITEM*>(header);
    if (barStyle & CBRS_FLYBY) {
        if (CFrameWnd* frame = GetParentFrame()) {
            bool leaving = (hot->dwFlags & HICF_LEAVING) != 0 || hot->idNew == 0;
            frame->TrackMessage(leaving ? AFX_IDS_IDLEMESSAGE : static_cast<UINT>(hot->idNew));
        }
    }
    *result = 0;
}

bool CStatusBar::Create(CWnd* parent, DWORD style, UINT id) {
    barStyle = style & (CBRS_ALIGN_ANY | CBRS_BORDER_TOP | CBRS_BORDER_BOTTOM);
    DWORD windowStyle = WS_CHILD | (style & WS_VISIBLE) | SBARS_SIZEGRIP;
    return CWnd::CreateEx(0, STATUSCLASSNAMEA, "", windowStyle, CRect(), parent->hwnd, id);
}

bool CStatusBar::SetIndicators(const UINT* ids, int count) {
    if (count <= 0)
        return false;
    // Every pane but the last has its text's width; the last (or only) one stretches.
    std::vector<int> edges(static_cast<size_t>(count), -1);
    if (!SendMessage(SB_SETPARTS, static_cast<WPARAM>(count), reinterpret_cast<LPARAM>(edges.data())))
        return false;
    for (int i = 0; i < count; ++i)
        SetPaneText(i, ids[i] == ID_SEPARATOR ? "" : AfxLoadString(ids[i]).c_str());
    return true;
}

void CStatusBar::SetPaneText(int index, const char* text) const {
    char current[kSafeTextLimit] = "";
    if (LOWORD(SendMessage(SB_GETTEXTLENGTHA, index)) < kSafeTextLimit)
        SendMessage(SB_GETTEXTA, index, reinterpret_cast<LPARAM>(current));
    if (strcmp(current, text) != 0)
        SendMessage(SB_SETTEXTA, index, reinterpret_cast<LPARAM>(text));
}

int CStatusBar::CalcHeight(int width) {
    // The status bar sizes itself to its font when told that its parent changed size.
    SendMessage(WM_SIZE, 0, 0);
    RECT rect{};
    GetWindowRect(&rect);
    return rect.bottom - rect.top;
}
