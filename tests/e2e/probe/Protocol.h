// The conversation between the test driver and pelloran_probe.dll, which the driver hooks into the program's GUI
// thread (WH_GETMESSAGE) because many control and menu messages carry pointers that only mean something inside the
// program. On its first call the probe opens a message-only window of class kWindowClass titled with the program's
// process id. The driver sends it WM_COPYDATA: dwData is the driver's own window, the data a request line
// "<verb> <arguments...>". The probe answers, before that SendMessage returns, with WM_COPYDATA to the driver's
// window: dwData 0 and rows of tab-separated fields, or dwData 1 and an error text.
// Only "sync" travels another way: the driver posts kSyncMessage to the main window (wParam its window, lParam a
// number) and the probe answers "sync <number>" once the thread has taken every message posted before it.
// Fields escape backslash, tab and line feed as \\, \t and \n.
#ifndef PELLORAN_E2E_PROBE_PROTOCOL_H
#define PELLORAN_E2E_PROBE_PROTOCOL_H

namespace e2e::probe {

inline constexpr char kWindowClass[] = "Pelloran.E2e.Probe";
inline constexpr char kSyncMessage[] = "Pelloran.E2e.Sync";
inline constexpr char kHookProcName[] = "ProbeGetMessageProc";
// A command the program does not know, which "menu append" adds to the first pop-up of the bar.
inline constexpr unsigned kUnknownCommand = 40999;

} // namespace e2e::probe

#endif
