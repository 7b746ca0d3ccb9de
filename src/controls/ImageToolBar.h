// The main window's toolbar with full-colour pictures.
//
// The pictures come from the PNG strip (resource IDR_TOOLBAR_PNG) and are composited once, at load, over
// the button face (and the visual-style button background of each state when themes are active) into
// four image lists: normal, hot, disabled and pressed. When the PNG cannot be used, the bitmap with the
// toolbar's id is the fallback and its hot, pressed and disabled variants are computed from it. Painting
// then does no pixel work. Everything is rebuilt when the system colours or the theme change.
#pragma once

#include "framework/ControlBar.h"

#include <commctrl.h>

#include <functional>

enum ImageListKind { kNormalImages = 0, kHotImages = 1, kDisabledImages = 2, kPressedImages = 3 };

// The four image lists of the toolbar. Owns them; the toolbar control only borrows them.
class ToolBarImageSet {
public:
    ToolBarImageSet() = default;
    ~ToolBarImageSet() { DeleteLists(); }
    ToolBarImageSet(const ToolBarImageSet&) = delete;
    ToolBarImageSet& operator=(const ToolBarImageSet&) = delete;

    // Creates the four empty lists: 32-bit colour when fullColor and the common controls are version 6
    // or later, else 24-bit; always with a mask.
    bool Create(int width, int height, bool fullColor, int count);
    // Fill the lists from the PNG strip or the bitmap fallback. With pressedTarget set, the pressed
    // pictures and a copy of its own are appended to that list (see ImageToolBar's pressed picture).
    bool LoadFromPng(UINT id, HWND reference, int pressedTarget);
    bool LoadFromBitmap(UINT id, int pressedTarget);
    HIMAGELIST GetImageList(int kind) const;
    UINT GetColorFlags() const { return colorFlags; }
    void Swap(ToolBarImageSet& other) noexcept;

private:
    void DeleteLists();
    // Adds a strip built by `build` for each list that takes it (see the definition).
    bool AddStrips(const std::function<HBITMAP(int kind)>& build, int pressedTarget, bool masked);

    HIMAGELIST lists[4] = {};
    UINT colorFlags = ILC_COLOR24 | ILC_MASK;
    bool fullColor = false;
    int width = 0;
    int height = 0;
};

class ImageToolBar : public CToolBar {
public:
    ImageToolBar();
    // Buttons from the toolbar layout resource, pictures from the PNG strip or, failing that, from the
    // bitmap of the same id. False when the layout or both picture sources fail.
    bool LoadToolBar(UINT resourceId, bool fullColor);
    bool IsThemed() const { return themed; }

protected:
    DECLARE_MESSAGE_MAP()
    void OnLButtonDown(UINT flags, CPoint point);
    void OnLButtonUp(UINT flags, CPoint point);
    void OnMouseMove(UINT flags, CPoint point);
    void OnMouseLeave();
    void OnSysColorChange();
    LRESULT OnThemeChanged(WPARAM, LPARAM);

private:
    bool LoadImages();
    void EvaluateThemed();
    int PictureIndexAt(CPoint point) const;
    // Shows the pressed picture in, or takes it back out of, the list the control draws the button from.
    void SetPressedPicture(bool pressed);
    void RestorePressedPicture();

    ToolBarImageSet imageSet;
    // Windows 6.0 and later draw a pressed button from the normal list, older ones from the hot list.
    bool newShell = false;
    bool themed = false;
    int pressedIndex = -1;
    int imageHeight = -1;
    int imageWidth = -1;
    int itemCount = -1;
    int pictureCount = 0;
    UINT toolBarId = 0;
    bool fullColor = true;
};
