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
    ("U2", "src/controls/RowSort.h", "sign(ascending ? 1 : -1)", "sign(ascending ? -1 : 1)", "Table"),
    ("W3", "src/controls/SortListCtrl.cpp", "ascending = ascending ? 0 : 1;", "", "Table"),
    ("W2", "src/controls/SortListCtrl.cpp", '{"TIME", list.TimeWaitColor}', '{"TIME", list.ClosedColor}', "Table"),
    ("W16", "src/controls/SortListCtrl.cpp", "const bool highlighted = selected && look.selectionShows;",
     "const bool highlighted = selected;", "Table"),
    ("W17", "src/controls/SortListCtrl.cpp", "(drawItem->itemState & ODS_SELECTED)", "(drawItem->itemState & 0)",
     "Table"),
    ("W4", "src/processes/ProcessKill.cpp", "uint32_t pid = ParsePid(clickedRow.pid);",
     "uint32_t pid = ParsePid(listCtrl.GetItemText(contextItem, columnIndexes.pid));", "Table"),
    ("U3", "src/processes/ProcessTree.cpp", "for (size_t i = from; i < list.size(); ++i) {",
     "for (size_t i = from + 1; i < list.size(); ++i) {", "Table"),
    ("U4", "src/processes/RowActions.cpp",
     'if (!IsIpv4Tcp(entry) || !EqualsIgnoringCase(FieldText(entry.stateText), "ESTABLISHED"))',
     "if (!IsIpv4Tcp(entry))", "Table"),
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
    # The endpoint tables beside IPv4 TCP.
    ("E1", "src/connections/Address6.cpp", "if (end - i > bestLength) {", "if (end - i >= bestLength) {", "unit"),
    ("E2", "src/connections/TableDecode.cpp", "FormatSigned(entry.pidText, ReadField(row + 8));",
     "FormatSigned(entry.pidText, ReadField(row + 4));", "unit"),
    ("E3", "src/connections/ListRefresh.cpp", 'return std::strcmp(entry.stateText, "ESTABLISHED") == 0; }',
     'return IsUdp(entry.protocol) || std::strcmp(entry.stateText, "ESTABLISHED") == 0; }', "Endpoints"),
    ("E4", "src/connections/ConnectionEntry.cpp", 'return "TCPv6";\n    case Protocol::Udp:\n        return "UDP";',
     'return "UDP";\n    case Protocol::Udp:\n        return "TCPv6";', "Endpoints"),
    ("E5", "src/processes/RowActions.cpp", "return row.protocol.empty() || row.protocol == ProtocolName(Protocol::Tcp); }",
     "return true; }", "Endpoints"),
    ("E6", "src/connections/ResolverLoop.cpp", "else if (IsLoopback6(address.ipv6Bytes)) {", "else if (false) {",
     "Endpoints"),
    ("E7", "src/app/Settings.cpp", "key.WriteDword(table.settingName, static_cast<DWORD>(this->*table.toggle));",
     "key.WriteDword(table.settingName, 0);", "Endpoints"),
    ("E8", "src/blacklist/BlackListMatch.cpp", "if (BlackListEntryMatches(entry, snapshot[next]) && snapshot[next].resettable)",
     "if (BlackListEntryMatches(entry, snapshot[next]))", "Endpoints"),
    ("E9", "src/app/MainFrame.cpp", "if (sortColumn >= kProtocolPosition)\n            ++sortColumn;",
     "if (false)\n            ++sortColumn;", "Endpoints"),
    ("E10", "src/controls/RowModel.cpp", "row.cells.erase(offset, length + 1);", "row.cells.erase(offset, length);",
     "Endpoints"),
    # The historical faults of e87429d (a failed flush counted as a failed write) and 8b5edfe (no state kept at the
    # session's end; a close under a modal loop not deferred).
    ("e87429d", "src/log/TextFile.cpp", "    file.Flush();\n    if (!file.Close()) {",
     "    if (!file.Flush()) {\n        file.Close();\n        return false;\n    }\n    if (!file.Close()) {", "Files"),
    ("8b5edfe-end", "src/app/MainFrame.cpp", "ON_WM_ENDSESSION()\n", "", "Files"),
    ("8b5edfe-close", "src/framework/FrameWnd.cpp", "    if (!ModalLoop::Running())\n        return false;",
     "    return false;", "Files"),
    # Faults the native unit tests must catch, one or more per portable subsystem.
    ("U-decode-short", "src/connections/TableDecode.cpp", "return rowCount <= (size - kTableHeaderBytes) / rowBytes;",
     "return rowCount <= (size - kTableHeaderBytes + rowBytes - 1) / rowBytes;", "unit"),
    ("U-decode-reuse", "src/connections/TableDecode.cpp", "entry.remoteAddressText, entry.remoteHostName,",
     "entry.remoteAddressText,", "unit"),
    ("U-decode-pid", "src/connections/TableDecode.cpp", "if (value & 0x80000000u) {", "if (false) {", "unit"),
    ("U-fetch-rows", "src/connections/TableFetch.cpp",
     "lastTableBytes = used <= size ? static_cast<size_t>(used) : size;", "lastTableBytes = static_cast<size_t>(used);",
     "unit"),
    ("U-fetch-retries", "src/connections/TableFetch.cpp", "attempt <= kTableGrowthRetries;",
     "attempt < kTableGrowthRetries;", "unit"),
    ("U-refresh-front", "src/connections/ListRefresh.cpp", "rows.DeleteRow(rowCount - 1);", "rows.DeleteRow(0);", "unit"),
    ("U-refresh-process", "src/connections/ListRefresh.cpp",
     "CopyBounded(entry.processName, record->processName, kMaxProcessNameChars);", "", "unit"),
    ("U-refresh-names", "src/connections/ListRefresh.cpp", "if (localMatch <= remoteMatch) {",
     "if (localMatch < remoteMatch) {", "unit"),
    ("U-index-zero", "src/connections/TextIndex.cpp", "if (digits == 0 || number > 255 || (digits > 1 && text[start] == '0')) {",
     "if (digits == 0 || number > 255) {", "unit"),
    ("U-queue-final", "src/connections/ResolveQueue.cpp", "if (!hostNames.Contains(text) && !queue.Contains(address)",
     "if (!queue.Contains(address)", "unit"),
    ("U-queue-wait", "src/connections/ResolveQueue.cpp", "nowMs < retries[position].atMs;",
     "nowMs <= retries[position].atMs;", "unit"),
    ("U-resolver-order", "src/connections/ResolverLoop.cpp", "address = queue.At(i);",
     "address = queue.At(queue.Size() - 1 - i);", "unit"),
    ("U-resolver-lock", "src/connections/ResolverLoop.cpp", "named = lookups.reverseLookup(networkOrder, name);",
     "named = (lock.lock(), std::lock_guard<std::mutex>(lock, std::adopt_lock), lookups.reverseLookup(networkOrder, name));",
     "unit"),
    ("U-resolver-clear", "src/connections/ResolverLoop.cpp", "if (!stop)\n        queue.Clear();",
     "if (stop)\n        queue.Clear();", "unit"),
    ("U-resolver-stop", "src/connections/ResolverLoop.cpp", "            if (stop)\n                return;\n", "",
     "unit"),
    ("U-sort-equal", "src/controls/RowSort.h",
     "if (a != b && strcmp(rows.GetCellText(a, column), rows.GetCellText(b, column)) != 0)", "if (a != b)", "unit"),
    ("U-sort-known", "src/controls/RowSort.h", "if (known && (atLo != 0 || atHi != 0))",
     "if (atLo != 0 || atHi != 0)", "unit"),
    ("U-sort-reuse-keys", "src/controls/RowModel.cpp", "sortKeys == lastSortKeys) {", "true) {", "unit"),
    ("U-sort-reuse-direction", "src/controls/RowModel.cpp", "count > 1 && ascending == lastAscending", "count > 1", "unit"),
    ("U-sort-pivot", "src/controls/RowSort.h", "rows.GetCellNumber(pivotRow, column) > 0;",
     "rows.GetCellNumber(pivotRow, column) >= 0;", "unit"),
    ("U-sort-depth", "src/controls/RowSort.h", "int depth = 16;", "int depth = 1 << 30;", "unit"),
    ("U-stage-cell", "src/controls/RowModel.cpp", "cells.replace(offset, same + std::strlen(old + same), text, length);",
     "cells.replace(offset, same, text, length);", "unit"),
    ("U-model-changed", "src/controls/RowModel.cpp", "if (rows[position].cells == next && rows[position].mark == mark)", "if (false)", "unit"),
    ("U-model-alloc", "src/controls/RowModel.cpp", "rows[position].cells.assign(next);",
     "rows[position].cells = std::string(next);", "unit"),
    ("W-colors-label", "res/Pelloran.rc", '"Removed  ...................", IDC_STATIC',
     '"Removal  ...................", IDC_STATIC', "Dialogs"),
    ("W-colors-saved", "src/dialogs/ColorsDialog.cpp", "for (std::size_t row = 0; row < kRowCount; ++row)\n            key.WriteDword",
     "for (std::size_t row = 0; row + 1 < kRowCount; ++row)\n            key.WriteDword", "Dialogs"),
    ("U-model-spare", "src/controls/RowModel.cpp", "rows.back().cells.swap(spareCells.back());", "", "unit"),
    ("U-fit-negative", "src/controls/ColumnFit.cpp", "if (widths[i] > 0) {", "if (true) {", "unit"),
    ("U-png-hot", "src/controls/ToolbarImages.cpp", "static_cast<uint8_t>(v > kHotDarkening ? v - kHotDarkening : 0);",
     "static_cast<uint8_t>(v - kHotDarkening);", "unit"),
    ("U-png-benign", "src/controls/PngDecode.cpp", "png_set_benign_errors(png, 0);", "", "unit"),
    ("U-bl-nul", "src/blacklist/BlackListFile.cpp", 'entry.find_first_of(std::string_view("<\\0", 2))', "entry.find('<')",
     "unit"),
    ("U-bl-match", "src/blacklist/BlackListMatch.cpp", "if (EqualsIgnoringCase(entry, connection.remoteAddress))",
     "if (connection.remoteAddress.find(entry) == 0)", "unit"),
    ("U-bl-close", "src/blacklist/BlackListStore.cpp", "written = out->Close() && written;", "out->Close();", "unit"),
    ("U-bl-refuse", "src/blacklist/BlackListStore.cpp",
     "mayOverwrite = result != BlackListFileSystem::ReadResult::Unreadable;", "mayOverwrite = true;", "unit"),
    ("U-log-halfwrite", "src/log/TextFile.cpp",
     "if (!file.Write(text.data(), text.size())) {\n        file.Truncate(oldLength);",
     "if (!file.Write(text.data(), text.size())) {", "unit"),
    ("U-log-reopen", "src/log/TextFile.cpp", "            if (length > oldLength)\n                file.Truncate(oldLength);\n",
     "", "unit"),
    ("U-log-name", "src/log/LogText.cpp", "if (hostNames.At(at).hostName[0] != '\\0') {", "if (true) {", "unit"),
    ("U-log-case", "src/log/LogText.cpp", 'return EqualsIgnoringCase(FieldText(entry.stateText), "ESTABLISHED");',
     'return FieldText(entry.stateText) == "ESTABLISHED";', "unit"),
    ("U-export-tab", "src/log/ExportText.cpp", "if (column < columns - 1)", "if (column < columns)", "unit"),
    ("U-records-cut", "src/processes/ProcessRecords.h", "offset <= size - recordBytes) {", "offset < size) {", "unit"),
    ("U-records-name", "src/processes/ProcessRecords.h", "size_t units = lengthBytes / 2;",
     "size_t units = (lengthBytes + 1) / 2;", "unit"),
    ("U-tree-idle", "src/processes/ProcessTree.cpp", "link.parentPid == parent && link.pid != 0 &&",
     "link.parentPid == parent &&", "unit"),
    ("U-tree-age", "src/processes/ProcessTree.cpp", "created > readTime ? Age::Later", "created >= readTime ? Age::Later",
     "unit"),
    ("U-close-name", "src/processes/RowActions.cpp",
     "!EqualsIgnoringCase(row.remoteAddress, FieldText(entry.remoteHostName)))",
     "!EqualsIgnoringCase(row.remoteAddress, FieldText(entry.remoteAddressText)))", "unit"),
    ("U-settings-workspace", "src/app/SettingsRules.cpp", "dx = primaryWorkArea.left, dy = primaryWorkArea.top;",
     "dx = 0, dy = 0;", "unit"),
    ("U-settings-edge", "src/app/SettingsRules.cpp", "stored.left < area.right && area.left < stored.right",
     "stored.left <= area.right && area.left <= stored.right", "unit"),
    ("U-options-first", "src/dialogs/OptionsRules.cpp", "return row < 0 ? 0 : row;", "return row;", "unit"),
    ("U-stats-unsigned", "src/dialogs/StatisticsRows.cpp", "std::to_string(counters[i])",
     "std::to_string(static_cast<int32_t>(counters[i]))", "unit"),
    ("U-menu-xpflat", "src/menuskin/MenuSkinRules.cpp", "out.menu = xp && in.flatMenus ? in.menuBar : in.menu;",
     "out.menu = in.menu;", "unit"),
    ("U-menu-height", "src/menuskin/MenuSkinRules.cpp", "in.pictureHeight + 8 < in.menuBarHeight",
     "in.pictureHeight + 8 <= in.menuBarHeight", "unit"),
    ("U-dock-tie", "src/framework/DockSide.cpp", "if (edge.distance < bestDistance) {", "if (edge.distance <= bestDistance) {",
     "unit"),
    ("U-dock-reach", "src/framework/DockSide.cpp", "reach = std::max(reach, 0);", "", "unit"),
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
