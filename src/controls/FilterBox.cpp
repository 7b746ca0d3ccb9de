// The filter box: creation with its cue text, the change notice and the Esc key.
#include "FilterBox.h"

#include <commctrl.h>

BEGIN_MESSAGE_MAP(FilterBox, CEdit)
ON_CONTROL_REFLECT(EN_CHANGE, OnChange)
ON_MESSAGE(WM_KEYDOWN, OnKeyDown)
ON_MESSAGE(WM_CHAR, OnChar)
END_MESSAGE_MAP()

bool FilterBox::Create(HWND parent, UINT id, HWND notify, UINT changeCommand) {
    target = notify;
    command = changeCommand;
    if (!CreateEx(WS_EX_CLIENTEDGE, "EDIT", "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, CRect(), parent,
                  id))
        return false;
    SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    // The cue shows while the box is empty and has no focus; systems without cue texts show an empty box.
    SendMessage(EM_SETCUEBANNER, FALSE, reinterpret_cast<LPARAM>(L"Filter"));
    return true;
}

void FilterBox::OnChange() {
    // Sent, not posted: the list shows the filtered rows before the next key is taken.
    if (target != nullptr)
        ::SendMessageA(target, WM_COMMAND, MAKEWPARAM(command, 0), 0);
}

LRESULT FilterBox::OnKeyDown(WPARAM key, LPARAM) {
    if (key == VK_ESCAPE) {
        SetWindowText("");
        return 0;
    }
    return Default();
}

LRESULT FilterBox::OnChar(WPARAM key, LPARAM) {
    // The Esc character that follows the key-down would only beep.
    if (key == VK_ESCAPE)
        return 0;
    return Default();
}
