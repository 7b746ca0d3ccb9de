// HyperLinkLabel: double-buffered painting, hand cursors, and the GDI objects it owns.
#include "HyperLinkLabel.h"
#include "resource.h"

BEGIN_MESSAGE_MAP(HyperLinkLabel, CStatic)
ON_WM_PAINT()
ON_WM_SETCURSOR()
ON_WM_LBUTTONDOWN()
ON_WM_LBUTTONUP()
ON_WM_CTLCOLOR_REFLECT()
END_MESSAGE_MAP()

HyperLinkLabel::HyperLinkLabel()
    : hoverCursor(LoadCursorA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDC_HAND_CURSOR))),
      pressedCursor(LoadCursorA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDC_HAND_PRESSED_CURSOR))) {}

HyperLinkLabel::~HyperLinkLabel() {
    if (backBrush != nullptr)
        DeleteObject(backBrush);
    if (font != nullptr)
        DeleteObject(font);
}

void HyperLinkLabel::SetBackColor(COLORREF color) {
    if (backBrush != nullptr)
        DeleteObject(backBrush);
    backBrush = CreateSolidBrush(color);
    backColor = color;
    RepaintNow();
}

void HyperLinkLabel::SetLinkText(const char* linkText, COLORREF color) {
    textColor = color;
    text = linkText != nullptr ? linkText : "";
    SetWindowText(text.c_str());
    RepaintNow();
}

void HyperLinkLabel::RepaintNow() const {
    if (hwnd == nullptr)
        return;
    Invalidate(TRUE);
    UpdateWindow();
}

HBRUSH HyperLinkLabel::BackBrush() {
    if (backBrush == nullptr)
        backBrush = CreateSolidBrush(backColor);
    return backBrush;
}

HBRUSH HyperLinkLabel::CtlColor(HDC dc, UINT) {
    SetBkColor(dc, backColor);
    return BackBrush();
}

BOOL HyperLinkLabel::OnSetCursor(HWND, UINT, UINT) {
    // Handled in every case: without text the current cursor simply stays.
    if (HasText())
        ::SetCursor(hoverCursor);
    return TRUE;
}

void HyperLinkLabel::OnLButtonDown(UINT, CPoint) {
    if (HasText())
        ::SetCursor(pressedCursor);
    Default(); // the static control's own click notification
}

void HyperLinkLabel::OnLButtonUp(UINT, CPoint) {
    if (HasText())
        ::SetCursor(hoverCursor);
    Default();
}

void HyperLinkLabel::OnPaint() {
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(hwnd, &paint);
    if (dc == nullptr)
        return;
    CRect client;
    GetClientRect(&client);

    // Drawn off screen and copied in one piece, so the text never flickers over a bare background.
    HDC memory = CreateCompatibleDC(dc);
    HBITMAP bitmap = memory != nullptr ? CreateCompatibleBitmap(dc, client.Width(), client.Height()) : nullptr;
    if (bitmap != nullptr) {
        HGDIOBJ oldBitmap = SelectObject(memory, bitmap);
        int oldMode = SetBkMode(memory, TRANSPARENT);
        COLORREF oldColor = SetTextColor(memory, textColor);

        if (!fontCreated) {
            font = CreateFontA(-11, 0, 0, 0, FW_NORMAL, FALSE, TRUE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                               CLIP_DEFAULT_PRECIS, PROOF_QUALITY, 0x32, "Tahoma");
            fontCreated = true;
        }
        HGDIOBJ drawFont = HasText() && font != nullptr ? font : GetStockObject(DEFAULT_GUI_FONT);
        HGDIOBJ oldFont = SelectObject(memory, drawFont);

        FillRect(memory, &client, BackBrush());
        DrawTextA(memory, text.c_str(), static_cast<int>(text.size()), &client, DT_VCENTER);
        BitBlt(dc, 0, 0, client.Width(), client.Height(), memory, 0, 0, SRCCOPY);

        // Everything selected goes back before the context and the bitmap are freed.
        SelectObject(memory, oldFont);
        SetTextColor(memory, oldColor);
        SetBkMode(memory, oldMode);
        SelectObject(memory, oldBitmap);
        DeleteObject(bitmap);
    }
    if (memory != nullptr)
        DeleteDC(memory);
    EndPaint(hwnd, &paint);
}
