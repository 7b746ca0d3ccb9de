#!/usr/bin/env python3
"""Deliberate faults, each a one-line change in src/, and the suite that must turn red with it.

    tools/faults.py [ID...]        (default: every fault)

For each fault: apply the change, rebuild what the suite runs (the native unit binary, or Pelloran.exe of the
build under test for an end-to-end suite on the bench that tests/e2e/env.sh started in build/native/e2e), run the
suite, restore the file and rebuild. Prints one line per fault: RED (caught), GREEN (missed) or BROKEN (the
change no longer applies). Exit code 1 when any fault was missed or broken.
"""
import os, subprocess, sys

HERE = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.environ.get("PELLORAN_BUILD", os.path.join(HERE, "build"))
WORK = os.path.join(BUILD, "native", "e2e")

# id, file, old text (must occur), new text, suite ("unit" or an end-to-end suite)
FAULTS = [
    ("W1", "src/connections/TableRead.cpp", "kTableOwnerPidAll = 5;", "kTableOwnerPidAll = 4;", "Table"),
    ("U1", "src/connections/ListRefresh.cpp", "while (rowCount > shownCount) {", "while (rowCount > shownCount + 1) {", "Table"),
    ("U2", "src/controls/RowSort.cpp", "sign(ascending ? 1 : -1)", "sign(ascending ? -1 : 1)", "Table"),
    ("W3", "src/controls/SortListCtrl.cpp", "ascending = ascending ? 0 : 1;", "", "Table"),
    ("W2", "src/controls/SortListCtrl.cpp", '{"TIME", list.TimeWaitColor}', '{"TIME", list.ClosedColor}', "Table"),
    ("W16", "src/controls/SortListCtrl.cpp", "selected && (GetFocus() == hwnd || (GetStyle() & LVS_SHOWSELALWAYS))",
     "selected", "Table"),
    ("W4", "src/processes/ProcessKill.cpp", "uint32_t pid = ParsePid(clickedRow.pid);",
     "uint32_t pid = ParsePid(listCtrl.GetItemText(contextItem, columnIndexes.pid));", "Table"),
    ("U3", "src/processes/ProcessTree.cpp", "for (size_t i = from; i < list.size(); ++i) {",
     "for (size_t i = from + 1; i < list.size(); ++i) {", "Table"),
    ("U4", "src/processes/RowActions.cpp", 'if (!EqualsIgnoringCase(FieldText(entry.stateText), "ESTABLISHED"))',
     "if (false)", "Table"),
    ("W5", "src/processes/RowMenu.cpp", "TrimSpace(clickedRow.remoteAddress)", "TrimSpace(clickedRow.localAddress)",
     "Table"),
    ("W11", "src/menuskin/NewMenu.cpp", "(separator ? 0 : MIIM_STRING)", "0", "Table"),
    ("W7", "src/log/EventLog.cpp", "if (AppendToLog(file, logFile, lines))\n        eventQueue.Clear();",
     "AppendToLog(file, logFile, lines);\n    eventQueue.Clear();", "Files"),
    ("U8", "src/log/ExportText.cpp", 'text += " \\t";', 'text += "\\t";', "Files"),
    ("U19", "src/connections/ResolverLoop.cpp", 'strncmp(text, "127", 3) == 0', 'strcmp(text, "127.0.0.1") == 0', "Names"),
    ("W6", "src/blacklist/BlackListCommands.cpp", "AppendUnique(shared->blackList, std::string(text));",
     "shared->blackList.push_back(std::string(text));", "Dialogs"),
    ("W8", "src/dialogs/ProcessOptionsDialog.cpp", 'key.WriteDword("WindowOnTop", static_cast<DWORD>(onTopCheck.GetCheck()));',
     'key.WriteDword("WindowOnTop", static_cast<DWORD>(loggingCheck.GetCheck()));', "Dialogs"),
    ("W9", "src/dialogs/ColorsDialog.cpp", "stored unless the dialog closes with OK.\n    for (std::size_t row = 0; row < kRowCount;",
     "stored unless the dialog closes with OK.\n    for (std::size_t row = 0; row + 1 < kRowCount;", "Dialogs"),
    ("U9", "src/dialogs/OptionsRules.cpp", '"%u sec"', '"%u secs"', "Dialogs"),
    ("U10", "src/dialogs/StatisticsRows.cpp", "std::to_string(counters[i])",
     "std::to_string(static_cast<int32_t>(counters[i]))", "Dialogs"),
    ("U12", "src/app/SettingsRules.h", "value >= 1 && value <= 9", "value <= 10", "Dialogs"),
    ("W18", "src/framework/Dialog.cpp", "SetWindowLongPtrA(handle, DWLP_MSGRESULT, result);", "", "Dialogs"),
    ("W14", "src/app/Settings.cpp", 'key.WriteDword("Resolve", static_cast<DWORD>(resolve));',
     'key.WriteDword("Resolve", static_cast<DWORD>(autoupdate));', "Settings"),
    ("W20", "src/app/Settings.cpp", "PostMessage(WM_SYSCOMMAND, SC_MAXIMIZE, 0);", "::ShowWindow(hwnd, SW_MAXIMIZE);",
     "Settings"),
    ("L1", "src/app/MainFrame.cpp", "    RecalcLayout();\n    LoadSettings();", "    LoadSettings();", "Modes"),
    ("W15", "src/app/MainFrame.cpp", "version.dwMajorVersion >= 5", "version.dwMajorVersion > 5", "Modes"),
    ("W10", "src/menuskin/MenuSkin.cpp", "GlobalDeleteAtom(record.atom);", "", "Frame"),
    ("W12", "src/framework/FrameWnd.cpp", "state.DoUpdate(this, id < 0xF000);", "state.DoUpdate(this, false);", "Frame"),
    ("W13", "src/framework/FrameWnd.cpp", "for (bool draggable : {false, true})", "for (bool draggable : {true, false})",
     "Frame"),
    ("U16", "src/controls/ColumnFit.cpp", "for (size_t i = 0; total > target;", "for (size_t i = 0; total > target + 1;",
     "Frame"),
    ("U11", "src/menuskin/MenuSkinRules.cpp", "MixColours(window, 70, highlight, 30)",
     "MixColours(window, 30, highlight, 70)", "Pictures"),
    ("G1", "src/menuskin/NewMenuDraw.cpp", "static_cast<int>(label.size())", "static_cast<int>(label.size()) - 1",
     "Pictures"),
    # The historical faults of e87429d (a failed flush counted as a failed write) and 8b5edfe (no state kept at the
    # session's end; a close under a modal loop not deferred).
    ("e87429d", "src/log/TextFile.cpp", "    file.Flush();\n    if (!file.Close()) {",
     "    if (!file.Flush()) {\n        file.Close();\n        return false;\n    }\n    if (!file.Close()) {", "Files"),
    ("8b5edfe-end", "src/app/MainFrame.cpp", "ON_WM_ENDSESSION()\n", "", "Files"),
    ("8b5edfe-close", "src/framework/FrameWnd.cpp", "    if (!ModalLoop::Running())\n        return false;",
     "    return false;", "Files"),
]


def build(suite):
    if suite == "unit":
        target = ["cmake", "--build", os.path.join(BUILD, "native"), "-j2", "--target", "pelloran_unit_plain"]
    else:
        arch = "win64"
        for line in open(os.path.join(WORK, "env")):
            if line.startswith("export WIN_ARCH="):
                arch = line.split("=", 1)[1].strip().strip("'\"")
        target = ["cmake", "--build", os.path.join(BUILD, arch), "-j2", "--target", "Pelloran"]
    return subprocess.run(target, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode == 0


def run(suite):
    if suite == "unit":
        binary = os.path.join(BUILD, "native", "tests", "unit", "pelloran_unit_plain")
        command = [binary, "--gtest_brief=1"]
    else:
        command = ["bash", os.path.join(HERE, "tests/e2e/run-suite.sh"), WORK, suite, "/tmp/fault-shots"]
    result = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    failed = [l.split("]", 1)[1].strip().split(" ")[0] for l in result.stdout.splitlines() if l.startswith("[  FAILED  ]") and "(" in l]
    return result.returncode != 0, failed


def main(wanted):
    missed = 0
    for fault_id, path, old, new, suite in FAULTS:
        if wanted and fault_id not in wanted:
            continue
        full = os.path.join(HERE, path)
        original = open(full).read()
        if old not in original:
            print(f"{fault_id:4} BROKEN  {path}: the text to change is gone", flush=True)
            missed += 1
            continue
        try:
            open(full, "w").write(original.replace(old, new, 1))
            if not build(suite):
                print(f"{fault_id:4} BROKEN  {path}: does not build with the fault", flush=True)
                missed += 1
                continue
            red, failed = run(suite)
            print(f"{fault_id:4} {'RED  ' if red else 'GREEN'}   {suite}: {' '.join(failed)}", flush=True)
            missed += 0 if red else 1
        finally:
            open(full, "w").write(original)
            build(suite)
    return 1 if missed else 0


if __name__ == "__main__":
    sys.exit(main(set(sys.argv[1:])))
