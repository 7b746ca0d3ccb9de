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
