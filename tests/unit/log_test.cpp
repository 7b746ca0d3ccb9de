// The log subsystem: the log append and the export save over a file that fails on demand (nothing
// half-written stays, and an append retried after a failure writes its lines once), the event-log lines and
// their time stamp (also under a non-English locale), and the export text.
#include "connections/EventQueue.h"
#include "connections/HostNameCache.h"
#include "log/ExportText.h"
#include "log/LogText.h"
#include "support/ConnectionTestSupport.h"
#include "log/TextFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <ctime>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace {

// One file in memory (the rules check the path before any open). A write takes at most writeBudget bytes
// (a full disk keeps part of a write); failFlush makes every flush fail (a device cannot be flushed);
// failClose makes the next close report a failure after the bytes are in.
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
    bool Open() {
        if (failOpen || open)
            return false;
        if (!content)
            content.emplace();
        return open = true;
    }
};

const std::string kPath = "C:\\logs\\LogEvents.txt";
const std::string kLines = "05 Dec 22:24 \t127.0.0.1 1025 127.0.0.1 1026 \r\n";

TEST(TextFile, AnAppendOrASaveIsWholeOrLeavesNothingBehind) {
    const std::string longest = "C:\\" + std::string(kMaxPathChars - 4, 'a'), none = "(none)";
    enum Fault { kNoFault, kOpen, kHalfWrite, kFlush, kClose };
    // Existing: the file holds "old" before.
    // clang-format off
    const struct { const char* name; std::string path; bool existing; Fault fault; bool appended;
                   std::string afterAppend; bool saved; std::string afterSave; } cases[] = {
        {"after a last line without line break", kPath, true, kNoFault, true, "old" + kLines, true, kLines},
        {"a missing file is created", kPath, false, kNoFault, true, kLines, true, kLines},
        {"open fails", kPath, true, kOpen, false, "old", false, "old"},
        {"write stops part way", kPath, true, kHalfWrite, false, "old", false, none},
        {"close fails", kPath, true, kClose, false, "old", false, none},
        // The system took the bytes: a target that cannot be flushed (a device, some network shares) must
        // not keep the lines queued for ever, nor make every export fail.
        {"flush fails", kPath, true, kFlush, true, "old" + kLines, true, kLines},
        {"259 characters", longest, false, kNoFault, true, kLines, true, kLines},
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
            EXPECT_EQ(append ? AppendToLog(file, c.path, kLines) : SaveText(file, c.path, kLines),
                      append ? c.appended : c.saved);
            EXPECT_EQ(file.content.value_or(none), append ? c.afterAppend : c.afterSave);
            EXPECT_FALSE(file.open) << "left open";
            if (append && c.existing && !c.appended) {
                file.failOpen = false;
                file.writeBudget = std::string::npos;
                EXPECT_TRUE(AppendToLog(file, c.path, kLines));
                EXPECT_EQ(file.content.value_or(none), "old" + kLines) << "the retry writes the lines once";
            }
        }
    }
    // An empty text still creates the log, and an empty list gives an empty export.
    FailingFile file;
    EXPECT_TRUE(AppendToLog(file, kPath, ""));
    EXPECT_EQ(file.content, "");
    file.content = "previous";
    EXPECT_TRUE(SaveText(file, kPath, ""));
    EXPECT_EQ(file.content, "");
}

std::tm Time(int day, int month, int hour, int minute) {
    std::tm time{};
    std::tie(time.tm_mday, time.tm_mon, time.tm_hour, time.tm_min, time.tm_year) =
        std::tuple(day, month, hour, minute, 126);
    return time;
}

void ExpectEnglishMonths() {
    const char* months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    for (int month = 0; month < 12; ++month)
        EXPECT_EQ(FormatLogTimeStamp(Time(5, month, 22, 4)), std::string("05 ") + months[month] + " 22:04");
}

TEST(LogText, TimeStampHasTwoDigitFieldsAndEnglishMonths) {
    ExpectEnglishMonths();
    EXPECT_EQ(FormatLogTimeStamp(Time(31, 11, 0, 0)), "31 Dec 00:00");
    // Fields out of range give a stamp of the same shape, never a read past the month table.
    EXPECT_EQ(FormatLogTimeStamp(Time(-3, 12, 150, -1)), "00 Dec 99:00");
    EXPECT_EQ(FormatLogTimeStamp(Time(7, -1, 7, 7)), "07 Jan 07:07");
}

// The stamp must not follow the user's locale. The build makes a German locale under LOCPATH when the
// machine has the locale sources; the test proves it is active (strftime says "Mär") before it checks.
TEST(LogText, TimeStampIgnoresTheLocale) {
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr)
        GTEST_SKIP() << "no de_DE.UTF-8 locale on this machine (nor under LOCPATH)";
    char localMonth[32] = {};
    const std::tm march = Time(5, 2, 22, 24);
    std::strftime(localMonth, sizeof localMonth, "%b", &march);
    EXPECT_STREQ(localMonth, "M\xC3\xA4r"); // the locale really is German
    ExpectEnglishMonths();
    std::setlocale(LC_ALL, saved.c_str());
}

// Established entries only (any letter case), in queue order; the host name of the first record with a name,
// else the one the refresh left in the entry; process and PID only when not empty (the five-column list has
// neither).
TEST(LogText, FlushLinesTakeEstablishedEntriesAndCachedNames) {
    const auto entry = [](const char* process, const char* pid, uint32_t remote, const char* state,
                          const char* refreshHostName = "") {
        ConnectionEntry e = MakeEntry(Ip(127, 0, 0, 1), 1025, Ip(10, 0, 0, remote), 1026, kEstablished);
        CopyBounded(e.processName, process);
        CopyBounded(e.pidText, pid);
        CopyBounded(e.stateText, state);
        CopyBounded(e.remoteHostName, refreshHostName);
        return e;
    };
    EventQueue queue;
    queue.AppendIfNew(entry("a.exe", "1", 1, "ESTABLISHED"));
    queue.AppendIfNew(entry("b.exe", "2", 2, "SYN_SENT"));
    queue.AppendIfNew(entry("c.exe", "3", 3, "established", "refresh-name"));
    queue.AppendIfNew(entry("", "4", 4, "Established", "old-name"));
    queue.AppendIfNew(entry("e.exe", "5", 5, "ESTABLISHED_"));
    queue.AppendIfNew(entry("", "", 6, "ESTABLISHED"));
    HostNameCache names;
    names.Append("10.0.0.1", ""); // a failed lookup: skipped
    names.Append("10.0.0.1", "one.example");
    names.Append("10.0.0.1", "later.example");
    names.Append("10.0.0.2", "two.example");
    names.Append("10.0.0.4", "four.example");
    EXPECT_EQ(BuildLogLines(queue, names, "05 Dec 22:24"),
              "05 Dec 22:24 \ta.exe 1 127.0.0.1 1025 10.0.0.1 [one.example] 1026 \r\n"
              "05 Dec 22:24 \tc.exe 3 127.0.0.1 1025 10.0.0.3 [refresh-name] 1026 \r\n"
              "05 Dec 22:24 \t4 127.0.0.1 1025 10.0.0.4 [four.example] 1026 \r\n"
              "05 Dec 22:24 \t127.0.0.1 1025 10.0.0.6 1026 \r\n");
}

TEST(ExportText, FieldsSeparatedAndEveryLineEnded) {
    struct TableCells : ExportCells {
        int columns;
        std::vector<std::vector<std::string>> rows;
        TableCells(int columns, std::vector<std::vector<std::string>> rows) : columns(columns), rows(std::move(rows)) {}
        int GetColumnCount() override { return columns; }
        int GetRowCount() override { return static_cast<int>(rows.size()); }
        std::string GetCellText(int row, int column) override { return rows.at(row).at(column); }
    };
    // The last case: the header did not answer.
    // clang-format off
    std::pair<TableCells, const char*> cases[] = {
        {{7, {}}, ""}, {{2, {{"a1", "b1"}, {"a2", "b2"}}}, "a1 \tb1\r\na2 \tb2\r\n"},
        {{1, {{"x"}, {"y"}}}, "x\r\ny\r\n"}, {{3, {{"", "m", ""}}}, " \tm \t\r\n"}, {{-1, {{}}}, "\r\n"},
    };
    // clang-format on
    for (auto& [cells, expected] : cases)
        EXPECT_EQ(BuildExportText(cells), expected);
}

} // namespace
