// Driving the program's dialogs and message boxes from outside: their controls by id, button clicks and
// states, and what a message box shows.
#ifndef PELLORAN_E2E_DIALOGS_H
#define PELLORAN_E2E_DIALOGS_H

#include <windows.h>

#include <string>
#include <vector>

namespace e2e {

HWND Item(HWND dialog, int id); // throws when the dialog has no such control
// A click as the button itself reports it (BN_CLICKED); posted, since a click may open a modal window.
void Press(HWND dialog, int id);
bool Checked(HWND dialog, int id);
bool Enabled(HWND dialog, int id);
void WaitClosed(HWND window); // throws when the window stays open

// The visible contents of a message box: its texts, its buttons' texts and its icon control (or null).
struct MessageBoxView {
    std::vector<std::string> texts, buttons;
    HWND icon = nullptr;
};
MessageBoxView ReadMessageBox(HWND box);
// Which of the system's message-box icons (IDI_EXCLAMATION, IDI_QUESTION, IDI_HAND, IDI_ASTERISK) the icon
// control shows, or null.
LPCSTR ShownIcon(HWND iconControl);

} // namespace e2e

#endif
