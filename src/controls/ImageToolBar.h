// The main window's toolbar.
//
// LATER(image toolbar): full-colour PNG pictures with hot, pressed and disabled variants; until then the
// plain toolbar shows the pictures of the bitmap with the toolbar's id.
#pragma once

#include "framework/ControlBar.h"

class ImageToolBar : public CToolBar {
public:
    bool LoadToolBar(UINT resourceId, bool fullColor) { return CToolBar::LoadToolBar(resourceId); }
};
