// The log subsystem: the log append and the export save over a file that fails on demand (nothing half-written
// stays, and an append retried after a failure writes its lines once), the event-log lines and their time stamp
// (also under a non-English locale), and the export text's edges (the shown list's export is checked end to end).
#include "connections/EventQueue.h"
#include "connections/HostNameCache.h"
#include "log/ExportText.h"
#include "log/LogText.h"
#include "log/TextFile.h"
#include "support/ConnectionTestSupport.h"

#include <gtest/gtest.h>

#include <clocale>
#include <ctime>
#include <optional>
#include <tuple>
#include <utility>

namespace {

// One file in memory (the rules check the path before any open). A write takes at most writeBudget bytes (a full
// disk keeps part of a write); failFlush makes every flush fail (a device cannot be flushed); failClose makes the
// next close report a failure after the bytes are in.
struct FailingFile : TextFile {
    std::optional<std::string> content;
    bool failOpen = false, failFlush = false, failClose = false, open = false;
    size_t writeBudget = std::string::npos;

    bool OpenOrCreate(const std::string&, uint64_t& length) override {
        return Open() && (length = content->size(), true);
    }
    bool CreateEmpty(const std::string&) override { return Open() && (content->clear(), true); }
    bool Write(const char* data, size_t size) override {
        const size_t taken = std::min(size, writeBudget);
        content->append(data, taken);
        writeBudget -= writeBudget == std::string::npos ? 0 : taken;
        return open && taken == size;
    }
    bool Truncate(uint64_t length) override {
        return open && length <= content->size() && (content->resize(length), true);
    }
    bool Flush() override { return open && !failFlush; }
    bool Close() override { return std::exchange(open, false) && !std::exchange(failClose, false); }
    bool Remove(const std::string&) override { return std::exchange(content, std::nullopt).has_value(); }
    bool Open() { return !failOpen && !open && (content = content.value_or(""), open = true); }
};

TEST(TextFile, AnAppendOrASaveIsWholeOrLeavesNothingBehind) {
    const std::string path = "C:\\logs\\LogEvents.txt", lines = "05 Dec 22:24 \t127.0.0.1 1025 127.0.0.1 1026 \r\n";
    const std::string longest = "C:\\" + std::string(kMaxPathChars - 4, 'a'), none = "(none)";
    enum Fault { kNoFault, kOpen, kHalfWrite, kFlush, kClose };
    // Existing: the file holds "old" before.
    // clang-format off
    const struct { const char* name; std::string path; bool existing; Fault fault; bool appended;
                   std::string afterAppend; bool saved; std::string afterSave; } cases[] = {
        {"after a last line without line break", path, true, kNoFault, true, "old" + lines, true, lines},
        {"a missing file is created", path, false, kNoFault, true, lines, true, lines},
        {"open fails", path, true, kOpen, false, "old", false, "old"},
        {"write stops part way", path, true, kHalfWrite, false, "old", false, none},
        {"close fails", path, true, kClose, false, "old", false, none},
        // The system took the bytes: a target that cannot be flushed (a device, some network shares) must
        // not keep the lines queued for ever, nor make every export fail.
        {"flush fails", path, true, kFlush, true, "old" + lines, true, lines},
        {"259 characters", longest, false, kNoFault, true, lines, true, lines},
        {"260 characters are not opened", longest + "b", false, kNoFault, false, none, false, none},
        {"no path", "", false, kNoFault, false, none, false, none},
    };
    // clang-format on
    for (const auto& c : cases) {
        for (bool append : {true, false}) {
            SCOPED_TRACE(std::string(c.name) + (append ? ", append" : ", save"));
            FailingFile file;
            if (c.existing)
                file.content = "old";
            std::tie(file.failOpen, file.failFlush, file.failClose) =
                std::tuple(c.fault == kOpen, c.fault == kFlush, c.fault == kClose);
            file.writeBudget = c.fault == kHalfWrite ? 10 : std::string::npos;
            EXPECT_EQ(append ? AppendToLog(file, c.path, lines) : SaveText(file, c.path, lines),
                      append ? c.appended : c.saved);
            EXPECT_EQ(file.content.value_or(none), append ? c.afterAppend : c.afterSave);
            EXPECT_FALSE(file.open) << "left open";
            if (append && c.existing && !c.appended) {
                std::tie(file.failOpen, file.writeBudget) = std::tuple(false, std::string::npos);
                EXPECT_TRUE(AppendToLog(file, c.path, lines));
                EXPECT_EQ(file.content.value_or(none), "old" + lines) << "the retry writes the lines once";
            }
        }
    }
}

// Two-digit fields and English month names whatever the user's locale; fields out of range give a stamp of the
// same shape, never a read past the month table. The build makes a German locale under LOCPATH when the machine
// has the locale sources: strftime then says "Mär" (else only the C locale is checked, and the test says so).
TEST(LogText, TimeStampHasTwoDigitFieldsAndEnglishMonthsInAnyLocale) {
    std::tm march{}, december{}, wild{};
    std::tie(march.tm_mday, march.tm_mon, march.tm_hour, march.tm_min) = std::tuple(5, 2, 22, 4);
    std::tie(december.tm_mday, december.tm_mon, wild.tm_mday, wild.tm_mon, wild.tm_hour, wild.tm_min) =
        std::tuple(31, 11, -3, 12, 150, -1);
    const auto stamps = [&] {
        return FormatLogTimeStamp(march) + FormatLogTimeStamp(december) + FormatLogTimeStamp(wild);
    };
    EXPECT_EQ(stamps(), "05 Mar 22:0431 Dec 00:0000 Dec 99:00");
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr)
        GTEST_SKIP() << "no de_DE.UTF-8 locale on this machine (nor under LOCPATH)";
    char month[32] = {};
    std::strftime(month, sizeof month, "%b", &march);
    EXPECT_STREQ(month, "M\xC3\xA4r"); // the locale really is German
    EXPECT_EQ(stamps(), "05 Mar 22:0431 Dec 00:0000 Dec 99:00");
    std::setlocale(LC_ALL, saved.c_str());
}

// Established entries only (any letter case), in queue order; the host name of the first record with a name,
// else the one the refresh left in the entry; process and PID only when not empty (the five-column list has
// neither).
TEST(LogText, FlushLinesTakeEstablishedEntriesAndCachedNames) {
    EventQueue queue;
    // clang-format off
    for (const auto& [process, pid, remote, state, refreshHostName] : {
             std::tuple{"a.exe", "1", 1, "ESTABLISHED", ""}, {"b.exe", "2", 2, "SYN_SENT", ""},
             {"c.exe", "3", 3, "established", "refresh-name"}, {"", "4", 4, "Established", "old-name"},
             {"e.exe", "5", 5, "ESTABLISHED_", ""}, {"", "", 6, "ESTABLISHED", ""}}) {
        // clang-format on
        ConnectionEntry e = MakeEntry(Ip(127, 0, 0, 1), 1025, Ip(10, 0, 0, remote), 1026, kEstablished);
        CopyBounded(e.processName, process), CopyBounded(e.pidText, pid);
        CopyBounded(e.stateText, state), CopyBounded(e.remoteHostName, refreshHostName);
        queue.AppendIfNew(e);
    }
    HostNameCache names;
    // clang-format off
    for (const auto& [address, name] : {std::pair{"10.0.0.1", ""}, {"10.0.0.1", "one.example"}, // "": a failed lookup
                                        {"10.0.0.1", "later.example"}, {"10.0.0.2", "two.example"},
                                        {"10.0.0.4", "four.example"}})
        // clang-format on
        names.Append(address, name);
    EXPECT_EQ(BuildLogLines(queue, names, "05 Dec 22:24"),
              "05 Dec 22:24 \ta.exe 1 127.0.0.1 1025 10.0.0.1 [one.example] 1026 \r\n"
              "05 Dec 22:24 \tc.exe 3 127.0.0.1 1025 10.0.0.3 [refresh-name] 1026 \r\n"
              "05 Dec 22:24 \t4 127.0.0.1 1025 10.0.0.4 [four.example] 1026 \r\n"
              "05 Dec 22:24 \t127.0.0.1 1025 10.0.0.6 1026 \r\n");
}

// Fields separated by " \t" and every line ended, also with one column, empty cells, and a header that did not
// answer (no columns).
TEST(ExportText, FieldsSeparatedAndEveryLineEnded) {
    struct TableCells : ExportCells {
        int columns;
        std::vector<std::vector<std::string>> rows;
        TableCells(int columns, std::vector<std::vector<std::string>> rows) : columns(columns), rows(std::move(rows)) {}
        int GetColumnCount() override { return columns; }
        int GetRowCount() override { return static_cast<int>(rows.size()); }
        std::string GetCellText(int row, int column) override { return rows.at(row).at(column); }
    };
    // clang-format off
    for (auto [cells, expected] : {std::pair<TableCells, const char*>{{1, {{"x"}, {"y"}}}, "x\r\ny\r\n"},
                                   {{3, {{"", "m", ""}}}, " \tm \t\r\n"}, {{-1, {{}}}, "\r\n"}})
        // clang-format on
        EXPECT_EQ(BuildExportText(cells), expected);
}

} // namespace
