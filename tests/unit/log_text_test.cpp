// Event-log lines, their time stamp under a non-English locale, and the export text.
#include "connections/EventQueue.h"
#include "connections/HostNameCache.h"
#include "log/ExportText.h"
#include "log/LogText.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstring>
#include <ctime>
#include <iostream>
#include <string>
#include <vector>

namespace {

std::tm Time(int day, int month, int hour, int minute) {
    std::tm time{};
    time.tm_mday = day;
    time.tm_mon = month;
    time.tm_hour = hour;
    time.tm_min = minute;
    time.tm_year = 126;
    return time;
}

ConnectionEntry Entry(const char* process, const char* pid, const char* remote, const char* state,
                      const char* refreshHostName = "") {
    ConnectionEntry entry;
    CopyBounded(entry.processName, process);
    CopyBounded(entry.pidText, pid);
    CopyBounded(entry.localAddressText, "127.0.0.1");
    CopyBounded(entry.localPortText, "1025");
    CopyBounded(entry.remoteAddressText, remote);
    CopyBounded(entry.remotePortText, "1026");
    CopyBounded(entry.stateText, state);
    CopyBounded(entry.remoteHostName, refreshHostName);
    return entry;
}

} // namespace

TEST(LogText, TimeStampHasTwoDigitFieldsAndEnglishMonths) {
    const char* months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    for (int month = 0; month < 12; ++month) {
        EXPECT_EQ(FormatLogTimeStamp(Time(5, month, 22, 4)), std::string("05 ") + months[month] + " 22:04");
    }
    EXPECT_EQ(FormatLogTimeStamp(Time(31, 11, 0, 0)), "31 Dec 00:00");
    EXPECT_EQ(FormatLogTimeStamp(Time(1, 0, 23, 59)), "01 Jan 23:59");
    // Fields out of range give a stamp of the same shape, never a read past the month table.
    EXPECT_EQ(FormatLogTimeStamp(Time(-3, 12, 150, -1)), "00 Dec 99:00");
    EXPECT_EQ(FormatLogTimeStamp(Time(7, -1, 7, 7)), "07 Jan 07:07");
}

// The stamp must not follow the user's locale. The build makes a German locale under LOCPATH when the
// machine has the locale sources; the test proves it is active (strftime says "Mär") before it checks.
TEST(LogText, TimeStampIgnoresTheLocale) {
    const std::string savedC = std::setlocale(LC_ALL, nullptr);
    const char* german = std::setlocale(LC_ALL, "de_DE.UTF-8");
    if (german != nullptr) {
        char localMonth[32] = {};
        const std::tm march = Time(5, 2, 22, 24);
        std::strftime(localMonth, sizeof localMonth, "%b", &march);
        EXPECT_STREQ(localMonth, "M\xC3\xA4r"); // the locale really is German
    } else {
        std::cout << "[ note ] no de_DE.UTF-8 locale on this machine; the stamp is checked under "
                  << std::setlocale(LC_ALL, nullptr) << " only\n";
    }
    EXPECT_EQ(FormatLogTimeStamp(Time(5, 2, 22, 24)), "05 Mar 22:24");
    EXPECT_EQ(FormatLogTimeStamp(Time(5, 4, 22, 24)), "05 May 22:24");
    EXPECT_EQ(FormatLogTimeStamp(Time(5, 11, 22, 24)), "05 Dec 22:24");
    std::setlocale(LC_ALL, savedC.c_str());
}

TEST(LogText, LineLayoutInBothColumnModes) {
    struct Case {
        const char* name;
        const char* process;
        const char* pid;
        const char* host;
        const char* expected;
    };
    const Case cases[] = {
        {"processes and host", "app.exe", "1234", "localhost",
         "05 Dec 22:24 \tapp.exe 1234 127.0.0.1 1025 127.0.0.1 [localhost] 1026 \r\n"},
        {"processes, no host", "app.exe", "1234", "", "05 Dec 22:24 \tapp.exe 1234 127.0.0.1 1025 127.0.0.1 1026 \r\n"},
        {"unnamed process", "", "77", "", "05 Dec 22:24 \t77 127.0.0.1 1025 127.0.0.1 1026 \r\n"},
        {"five columns and host", "", "", "h.example", "05 Dec 22:24 \t127.0.0.1 1025 127.0.0.1 [h.example] 1026 \r\n"},
        {"five columns, no host", "", "", "", "05 Dec 22:24 \t127.0.0.1 1025 127.0.0.1 1026 \r\n"},
    };
    for (const Case& c : cases) {
        std::string text = "kept|";
        AppendLogLine(text, "05 Dec 22:24", Entry(c.process, c.pid, "127.0.0.1", "ESTABLISHED"), c.host);
        EXPECT_EQ(text, std::string("kept|") + c.expected) << c.name;
    }
}

TEST(LogText, FlushLinesTakeEstablishedEntriesAndCachedNames) {
    EventQueue queue;
    queue.AppendIfNew(Entry("a.exe", "1", "10.0.0.1", "ESTABLISHED"));
    queue.AppendIfNew(Entry("b.exe", "2", "10.0.0.2", "SYN_SENT"));
    queue.AppendIfNew(Entry("c.exe", "3", "10.0.0.3", "established", "refresh-name"));
    queue.AppendIfNew(Entry("d.exe", "4", "10.0.0.4", "Established", "old-name"));
    queue.AppendIfNew(Entry("e.exe", "5", "10.0.0.5", "ESTABLISHED_"));
    HostNameCache names;
    names.Append("10.0.0.1", ""); // a failed lookup: skipped
    names.Append("10.0.0.1", "one.example");
    names.Append("10.0.0.1", "later.example");
    names.Append("10.0.0.2", "two.example");
    names.Append("10.0.0.4", "four.example");

    EXPECT_EQ(BuildLogLines(queue, names, "01 Jan 00:00"),
              "01 Jan 00:00 \ta.exe 1 127.0.0.1 1025 10.0.0.1 [one.example] 1026 \r\n"
              "01 Jan 00:00 \tc.exe 3 127.0.0.1 1025 10.0.0.3 [refresh-name] 1026 \r\n"
              "01 Jan 00:00 \td.exe 4 127.0.0.1 1025 10.0.0.4 [four.example] 1026 \r\n");

    EventQueue none;
    none.AppendIfNew(Entry("b.exe", "2", "10.0.0.2", "TIME_WAIT"));
    EXPECT_EQ(BuildLogLines(none, names, "01 Jan 00:00"), "");
}

namespace {

struct TableCells : ExportCells {
    int columns = 0;
    std::vector<std::vector<std::string>> rows;
    int GetColumnCount() override { return columns; }
    int GetRowCount() override { return static_cast<int>(rows.size()); }
    std::string GetCellText(int row, int column) override { return rows.at(row).at(column); }
};

} // namespace

TEST(ExportText, FieldsSeparatedAndEveryLineEnded) {
    struct Case {
        const char* name;
        int columns;
        std::vector<std::vector<std::string>> rows;
        std::string expected;
    };
    const Case cases[] = {
        {"empty list", 7, {}, ""},
        {"two by two", 2, {{"a1", "b1"}, {"a2", "b2"}}, "a1 \tb1\r\na2 \tb2\r\n"},
        {"one column", 1, {{"x"}, {"y"}}, "x\r\ny\r\n"},
        {"empty cells", 3, {{"", "m", ""}, {"", "", ""}}, " \tm \t\r\n \t \t\r\n"},
        {"seven columns", 7, {{"p", "1", "l", "2", "r", "3", "S"}}, "p \t1 \tl \t2 \tr \t3 \tS\r\n"},
        {"no header answer", -1, {{}}, "\r\n"},
    };
    for (const Case& c : cases) {
        TableCells cells;
        cells.columns = c.columns;
        cells.rows = c.rows;
        EXPECT_EQ(BuildExportText(cells), c.expected) << c.name;
    }
}
