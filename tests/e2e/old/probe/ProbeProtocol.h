// The conversation between the test driver and pelloran_probe.dll, which runs inside the program's GUI thread.
// The driver creates a named shared-memory block and a named event (both named after the program's process id),
// posts the registered request message to the main window with the request kind and a sequence number, and waits
// for the event. The probe answers from its message hook, writing a ReplyHeader followed by the reply text.
//
// Reply text for menus, one line per item, in menu order, children right after their popup:
//     <depth> TAB <flags> TAB <id> TAB <text>
// depth 0 is an entry of the menu bar (or an open pop-up for OpenMenus); flags is a run of letters, "-" for none:
//     S separator, P has a submenu, G grayed, D disabled, C checked, H highlighted, O owner-drawn
// The text escapes backslash, tab and line feed as \\, \t and \n.
#ifndef PELLORAN_E2E_PROBE_PROTOCOL_H
#define PELLORAN_E2E_PROBE_PROTOCOL_H

#include <windows.h>

#include <cstdio>
#include <string>

namespace e2e::probe {

inline constexpr char kRequestMessage[] = "Pelloran.E2e.ProbeRequest";
inline constexpr char kHookProcName[] = "ProbeGetMessageProc";
inline constexpr DWORD kReplyCapacity = 256 * 1024;

enum Request : WPARAM {
    kPing = 1,         // empty reply: proves every message posted before it has been dispatched
    kMenuBar = 2,      // the menu bar after the program's own pop-up update rules ran (WM_INITMENUPOPUP)
    kMenuBarState = 3, // the menu bar as it is, no update sent (safe while a menu is open)
    kOpenMenus = 4,    // the pop-up menus the GUI thread currently shows, outermost first
    // Owner-drawn sizes: after the update pass as for kMenuBar, one line per item of the menu bar and its
    // pop-ups, "<depth> TAB <id> TAB <width> TAB <height>", the size the window answers to WM_MEASUREITEM
    // for the item's own data ("-1 TAB -1" for an item that is not owner-drawn).
    kMenuBarSizes = 5,
    // The items of the innermost open pop-up: "<id> TAB <left> TAB <top> TAB <right> TAB <bottom>" (screen).
    kOpenMenuRects = 6,
    // Every pop-up menu window of the GUI thread: "<visible> TAB <subclassed>", subclassed being 1 when the
    // window carries the "OldMenuProc" property or its procedure is not its class's; then the line
    // "-1 TAB <ended> TAB <ended subclassed> TAB <atom>": how many menu windows ended (WM_NCDESTROY) since
    // the first such request, how many of them were still subclassed when their procedure had returned,
    // and 1 while the global atom "OldMenuProc" exists.
    kMenuWindows = 7,
    // Appends the command kProbeCommand (which the program does not know) to the first pop-up of the bar.
    kAppendUnknownCommand = 8,
};
inline constexpr UINT kProbeCommand = 40999;

struct ReplyHeader {
    LONG sequence; // the sequence number of the request this reply answers
    LONG status;   // 0 = done; otherwise a Win32 error code
    DWORD length;  // bytes of reply text after the header
};

inline std::string ReplyMappingName(DWORD processId) {
    char name[64];
    std::snprintf(name, sizeof name, "Pelloran.E2e.ProbeReply.%lu", static_cast<unsigned long>(processId));
    return name;
}

inline std::string ReplyEventName(DWORD processId) {
    char name[64];
    std::snprintf(name, sizeof name, "Pelloran.E2e.ProbeDone.%lu", static_cast<unsigned long>(processId));
    return name;
}

} // namespace e2e::probe

#endif
