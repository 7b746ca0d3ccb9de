// Driving the program's dialogs and message boxes from outside (see Dialogs.h).
#include "Dialogs.h"

#include "Screen.h"
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

// Icon handles belong to their process, pictures do not: the control's pixels on screen are compared with
// each icon drawn here on the same background.
LPCSTR ShownIcon(HWND iconControl) {
    const LPCSTR candidates[] = {IDI_EXCLAMATION, IDI_QUESTION, IDI_HAND, IDI_ASTERISK};
    const int size = 32;
    const RECT onScreen = ClientRectOnScreen(iconControl);
    const Pixels shown = CapturePixels({onScreen.left, onScreen.top, onScreen.left + size, onScreen.top + size});
    HDC screen = GetDC(nullptr);
    HDC drawn = CreateCompatibleDC(screen);
    HBITMAP drawnBitmap = CreateCompatibleBitmap(screen, size, size);
    HGDIOBJ oldDrawn = SelectObject(drawn, drawnBitmap);
    HBRUSH background = CreateSolidBrush(shown.pixels[0]);
    LPCSTR best = nullptr;
    int bestEqual = size * size * 9 / 10; // at least 90% of the pixels
    for (LPCSTR candidate : candidates) {
        RECT all{0, 0, size, size};
        FillRect(drawn, &all, background);
        DrawIconEx(drawn, 0, 0, LoadIconA(nullptr, candidate), size, size, 0, nullptr, DI_NORMAL);
        int equal = 0;
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
                equal += shown.pixels[y * size + x] == GetPixel(drawn, x, y);
        if (equal > bestEqual) {
            bestEqual = equal;
            best = candidate;
        }
    }
    DeleteObject(background);
    SelectObject(drawn, oldDrawn);
    DeleteObject(drawnBitmap);
    DeleteDC(drawn);
    ReleaseDC(nullptr, screen);
    return best;
}

} // namespace e2e
