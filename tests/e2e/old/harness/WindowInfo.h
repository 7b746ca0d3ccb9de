// Reading windows of another process: texts, classes, styles, rectangles, and finding windows by process,
// title or control id. Messages to another process go through SendMessageTimeout so a hung program fails the
// test instead of hanging the run.
#ifndef PELLORAN_E2E_WINDOW_INFO_H
#define PELLORAN_E2E_WINDOW_INFO_H

#include "Wait.h"

#include <windows.h>

#include <string>
#include <vector>

namespace e2e {

std::string WindowText(HWND window);
// The text a control reports for WM_GETTEXT (an edit's contents, a drop-down list's selected row), which
// GetWindowText does not give for another process's window.
std::string ControlText(HWND window);
std::string ClassName(HWND window);
bool IsVisible(HWND window); // the window and all its ancestors are visible
LONG_PTR Style(HWND window);
LONG_PTR ExStyle(HWND window);
bool IsTopmost(HWND window);

RECT WindowRect(HWND window); // screen coordinates
RECT ClientRect(HWND window); // client coordinates: left and top are 0
RECT ClientRectOnScreen(HWND window);
inline int Width(const RECT& rect) { return rect.right - rect.left; }
inline int Height(const RECT& rect) { return rect.bottom - rect.top; }
std::string Describe(const RECT& rect);
POINT ClientToScreenPoint(HWND window, POINT point);
POINT Center(const RECT& rect);

// Top-level windows of a process (hidden ones too when asked), in z-order.
std::vector<HWND> TopLevelWindows(DWORD processId, bool visibleOnly = true);
// Any descendant (not only a direct child) with the control id (and class, when given), or null.
HWND FindDescendant(HWND parent, int id, const std::string& className = {});

LRESULT Send(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0, Milliseconds timeout = kDefaultTimeout);
void Post(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

} // namespace e2e

#endif
