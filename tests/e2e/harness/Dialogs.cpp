// Driving the program's dialogs and message boxes from outside (see Dialogs.h).
#include "Dialogs.h"

#include "WindowInfo.h"

namespace e2e {

HWND Item(HWND dialog, int id) {
    HWND item = GetDlgItem(dialog, id);
    if (item == nullptr)
        Fail("the dialog has no control " + std::to_string(id));
    return item;
}

void Press(HWND dialog, int id) { Post(Item(dialog, id), BM_CLICK); }
bool Checked(HWND dialog, int id) { return Send(Item(dialog, id), BM_GETCHECK) == BST_CHECKED; }
bool Enabled(HWND dialog, int id) { return IsWindowEnabled(Item(dialog, id)) != FALSE; }

void WaitClosed(HWND window) {
    const std::string title = WindowText(window);
    if (!WaitUntil([&] { return !IsWindow(window); }))
        Fail("the window \"" + title + "\" did not close");
}

MessageBoxView ReadMessageBox(HWND box) {
    MessageBoxView view;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!IsVisible(child))
            continue;
        if (_stricmp(ClassName(child).c_str(), "Button") == 0)
            view.buttons.push_back(WindowText(child));
        else if ((Style(child) & SS_TYPEMASK) == SS_ICON)
            view.icon = child;
        else if (!WindowText(child).empty())
            view.texts.push_back(WindowText(child));
    }
    return view;
}

} // namespace e2e
