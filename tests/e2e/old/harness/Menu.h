// Menus of the program under test, as the probe DLL reads them from inside the program (see probe/ProbeProtocol.h),
// and the driver side of that probe.
#ifndef PELLORAN_E2E_MENU_H
#define PELLORAN_E2E_MENU_H

#include "../probe/ProbeProtocol.h"
#include "Wait.h"

#include <windows.h>

#include <string>
#include <vector>

namespace e2e {

struct MenuItem {
    std::string text;
    UINT id = 0;
    bool separator = false;
    bool popup = false;
    bool enabled = true; // neither grayed nor disabled
    bool checked = false;
    bool highlighted = false;
    bool ownerDrawn = false;
    std::vector<MenuItem> items; // a popup's entries
};

using Menu = std::vector<MenuItem>;

// Parses the probe's reply text; throws on a malformed line.
Menu ParseMenuReport(const std::string& report);
// Depth-first search over commands (popups and separators are skipped); null when absent.
const MenuItem* FindMenuItem(const Menu& menu, UINT id);
// One line per item, indented by depth, for failure messages.
std::string DescribeMenu(const Menu& menu);

// Hooks pelloran_probe.dll into a GUI thread of the program and exchanges requests with it. Requests time out
// with a clear error when the probe does not answer (missing DLL, hook refused, program hung).
class MenuProbe {
public:
    MenuProbe(HWND frame, DWORD processId, DWORD guiThreadId);
    ~MenuProbe();
    MenuProbe(const MenuProbe&) = delete;
    MenuProbe& operator=(const MenuProbe&) = delete;

    std::string Request(probe::Request kind, Milliseconds timeout = kDefaultTimeout);

private:
    HWND frame;
    HMODULE module = nullptr;
    HHOOK hook = nullptr;
    HANDLE mapping = nullptr;
    void* view = nullptr;
    HANDLE done = nullptr;
    UINT message = 0;
    LONG sequence = 0;
};

std::string ProbePath();

} // namespace e2e

#endif
