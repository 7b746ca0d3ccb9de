// A static control that paints itself: its background in one colour and, when it has text, that text
// underlined in a chosen colour, with hand cursors while the mouse is over it. The About box uses one as
// its web link; the Colors dialog uses eight without text as colour swatches.
//
// Clicks reach the parent only through the static control's own click notification, so the template
// control needs the notify style; the label itself sends nothing.
#pragma once

#include "framework/Controls.h"

#include <string>

class HyperLinkLabel : public CStatic {
public:
    HyperLinkLabel();
    ~HyperLinkLabel() override;

    // Remembers the colour, makes the background brush of it and repaints at once.
    void SetBackColor(COLORREF color);
    COLORREF GetBackColor() const { return backColor; }
    // Remembers the text and its colour, shows the text as the window text and repaints at once.
    void SetLinkText(const char* linkText, COLORREF color);

protected:
    DECLARE_MESSAGE_MAP()
    void OnPaint();
    BOOL OnSetCursor(HWND window, UINT hitTest, UINT message);
    void OnLButtonDown(UINT flags, CPoint point);
    void OnLButtonUp(UINT flags, CPoint point);
    // Whatever the static control erases itself, it erases in the label's colour (no flash of the
    // dialog's colour before the label paints).
    HBRUSH CtlColor(HDC dc, UINT type);

private:
    bool HasText() const { return !text.empty(); }
    // The background brush; made from the stored colour when no SetBackColor came before the first paint.
    HBRUSH BackBrush();
    void RepaintNow() const;

    COLORREF backColor = 0x00FFFFFF;
    COLORREF textColor = 0;
    HBRUSH backBrush = nullptr; // owned
    HCURSOR hoverCursor;        // shared resource cursors: never destroyed
    HCURSOR pressedCursor;
    std::string text;
    bool fontCreated = false;
    HFONT font = nullptr; // underlined link font, owned; made at the first paint
};
