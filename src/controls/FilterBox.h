// The filter box at the toolbar's right end: a single-line edit with the cue text "Filter". Every change of
// its text is handed to the main window at once as a command (the rows are filtered while the user types);
// Esc empties it.
#pragma once

#include "framework/Controls.h"

#include <string>

class FilterBox : public CEdit {
public:
    // Creates the box as a child of `parent` (the toolbar); its changes go to `target` as WM_COMMAND `command`.
    bool Create(HWND parent, UINT id, HWND target, UINT command);
    std::string GetText() const { return GetWindowText(); }

protected:
    DECLARE_MESSAGE_MAP()
    void OnChange();
    LRESULT OnKeyDown(WPARAM key, LPARAM flags);
    LRESULT OnChar(WPARAM key, LPARAM flags);

private:
    HWND target = nullptr;
    UINT command = 0;
};
