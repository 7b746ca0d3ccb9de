// Views over the connection rows: the change tracking over sequences of reads and over thousands of
// connections, the filter box's matching, the rows shown with their counts, and the copied and CSV text.
#include "connections/ChangeTracker.h"
#include "connections/ShownRows.h"
#include "controls/RowFilter.h"
#include "log/TableText.h"
#include "support/ConnectionTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <random>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace {

using namespace std::string_literals;

std::vector<std::string> Words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string word; in >> word;)
        words.push_back(word);
    return words;
}

// A token "name" or "name/owner" is one connection: the name (up to 16 bytes) is its local address.
ConnectionKey KeyOf(const std::string& token) {
    ConnectionKey key;
    const size_t slash = std::min(token.find('/'), token.size());
    std::memcpy(key.localAddress, token.data(), std::min<size_t>(slash, 16));
    key.owner = slash == token.size() ? 0 : static_cast<uint32_t>(std::stoul(token.substr(slash + 1)));
    return key;
}

// One read of tokens (cells: the token and the read's number), then the rows shown: a token, "+" when New,
// "-@<read of its cells>" when Removed, "?" when its read index does not point at it (-1 for a removed row).
std::string Read(ChangeTracker& tracker, const std::string& line, int number, bool show = true) {
    const std::vector<std::string> tokens = Words(line);
    const std::string stamp = std::to_string(number);
    ListRows& rows = tracker.BeginRead(2);
    std::vector<ConnectionKey> keys;
    for (int row = 0; row < static_cast<int>(tokens.size()); ++row) {
        rows.InsertEmptyRow(row);
        rows.SetCellText(row, 0, tokens[row].c_str());
        rows.SetCellText(row, 1, stamp.c_str());
        keys.push_back(KeyOf(tokens[row]));
    }
    tracker.EndRead(keys, show);
    std::string text;
    for (int row = 0; row < tracker.RowCount(); ++row) {
        const std::string token = tracker.Cell(row, 0);
        const int at = tracker.ReadIndex(row);
        const RowMark mark = tracker.Mark(row);
        const bool pointsRight = mark == RowMark::Removed ? at == -1
                                                          : at >= 0 && at < static_cast<int>(tokens.size()) &&
                                                                tokens[at] == token && tracker.Cell(row, 1) == stamp;
        text += (row ? " " : "") + token +
                (mark == RowMark::New       ? "+"
                 : mark == RowMark::Removed ? "-@"s + tracker.Cell(row, 1)
                                            : "") +
                (pointsRight ? "" : "?");
    }
    return text;
}

TEST(ChangeTracker, MarksNewAndRemovedConnectionsOverSequencesOfReads) {
    // Each step: a read ("!" first: changes not shown) and the rows expected after it.
    const std::pair<const char*, std::vector<std::pair<std::string, std::string>>> sequences[] = {
        {"new, then gone",
         {{"a b", "a b"}, {"a b c", "a b c+"}, {"a c", "a b-@2 c+"}, {"a c", "a b-@2 c"}, {"a c", "a c"}}},
        {"back within the two refreshes: shown once, as new",
         {{"a b", "a b"}, {"a", "a b-@1"}, {"a b", "a b+"}, {"a b", "a b+"}, {"a b", "a b"}}},
        {"back after its removed rows ended",
         {{"a b", "a b"}, {"b", "a-@1 b"}, {"b", "a-@1 b"}, {"b", "b"}, {"a b", "a+ b"}}},
        {"the same endpoints under another owner: the old one went, a new one came",
         {{"a/1 b", "a/1 b"}, {"a/2 b", "a/1-@1 a/2+ b"}, {"a/2 b", "a/1-@1 a/2+ b"}, {"a/2 b", "a/2 b"}}},
        {"equal endpoints in one read pair up in read order",
         {{"a a", "a a"}, {"a a a", "a a a+"}, {"a", "a a-@2 a-@2"}, {"a b", "a a-@2 b+ a-@2"}, {"a a", "a b-@4 a+"}}},
        {"a removed row stands before the row now at its place",
         {{"a b c d", "a b c d"}, {"a d", "a b-@1 d c-@1"}, {"d", "a-@2 d b-@1 c-@1"}}},
        {"removed rows keep their order", {{"a b c", "a b c"}, {"a c", "a b-@1 c"}, {"a", "a b-@1 c-@2"}}},
        {"empty reads", {{"", ""}, {"a", "a+"}, {"", "a-@2"}, {"", "a-@2"}, {"", ""}}},
        {"changes not shown, but tracked", {{"!a b", "a b"}, {"!a c", "a c"}, {"a c", "a b-@1 c+"}, {"!c", "c"}}},
    };
    for (const auto& [name, steps] : sequences) {
        ChangeTracker tracker;
        for (size_t i = 0; i < steps.size(); ++i) {
            const std::string& line = steps[i].first;
            const bool show = line.empty() || line[0] != '!';
            EXPECT_EQ(Read(tracker, show ? line : line.substr(1), static_cast<int>(i + 1), show), steps[i].second)
                << name << ", read " << i + 1;
        }
    }
}

TEST(ChangeTracker, KeepsFindingItsConnectionsWhileThousandsComeAndGo) {
    // In turn, each seventh of 3,000 connections goes, stays on view for two reads and is dropped (its
    // records freed, its keys taken out of the table among the others'), then comes back as new.
    auto line = [](int without) {
        std::string text;
        for (int i = 0; i < 3000; ++i)
            text += i * 37 % 7 == without ? "" : "k" + std::to_string(i) + " ";
        return text;
    };
    auto count = [](const std::string& text, char c) { return std::count(text.begin(), text.end(), c); };
    ChangeTracker tracker;
    int number = 0;
    Read(tracker, line(-1), ++number);
    long back = 0; // the seventh that came back in the read before, still new
    for (int seventh = 0; seventh < 7; ++seventh) {
        const long size = 3000 - count(line(seventh), ' ');
        for (const auto& [without, added, gone] : {std::tuple(seventh, back, size), std::tuple(seventh, 0L, size),
                                                   std::tuple(seventh, 0L, 0L), std::tuple(-1, size, 0L)}) {
            const std::string text = Read(tracker, line(without), ++number);
            EXPECT_EQ(std::make_tuple(count(text, '+'), count(text, '-'), count(text, '?')),
                      std::make_tuple(added, gone, 0L))
                << "read " << number;
        }
        back = size;
    }
}

TEST(ChangeTracker, FirstReadsRowsWithoutKeysAndTheKeysOfTableRows) {
    ChangeTracker tracker;
    Read(tracker, "a b", 1);
    tracker.Reset();
    EXPECT_EQ(Read(tracker, "a c", 2), "a c") << "after Reset, a first read";
    tracker.BeginRead(3);
    tracker.EndRead({}, true);
    EXPECT_EQ(Read(tracker, "a d", 4), "a d") << "another column count forgets the connections";

    // A row without a key has the all-zero key; writes outside the rows and columns change nothing.
    ListRows& rows = tracker.BeginRead(2);
    for (int row : {0, 0, 3, -1})
        rows.InsertEmptyRow(row);
    rows.SetCellText(1, 0, "x");
    rows.SetCellText(1, 2, "y");
    rows.SetCellText(2, 0, "z");
    rows.DeleteRow(2);
    const ConnectionKey a = KeyOf("a");
    tracker.EndRead(std::span(&a, 1), true);
    ASSERT_EQ(tracker.RowCount(), 3); // a, d (removed), the keyless row (new)
    EXPECT_EQ(std::string(tracker.Cells(2)), "x\0\0"s);
    EXPECT_EQ(std::make_tuple(tracker.Mark(0), tracker.Mark(1), tracker.Mark(2), tracker.Mark(3), tracker.ReadIndex(3)),
              std::make_tuple(RowMark::None, RowMark::Removed, RowMark::New, RowMark::None, -1));
    EXPECT_EQ(std::string(tracker.Cell(0, 2)) + tracker.Cell(3, 0) + std::string(tracker.Cells(-1)), "");

    // The system leaves the upper halves of the port fields undefined: they do not make another connection.
    const uint32_t local = Ip(10, 0, 0, 1), remote = Ip(192, 0, 2, 7);
    EXPECT_EQ(Ipv4Key(6, 42, local, 0xBEEF5000, remote, 0x0001BB01), Ipv4Key(6, 42, local, 0x5000, remote, 0xBB01));
    EXPECT_FALSE(Ipv4Key(6, 42, local, 0x5000, remote, 0xBB01) == Ipv4Key(6, 42, local, 0x5000, remote, 0xBB02));
    const uint8_t linkLocal[16] = {0xFE, 0x80, 15, 1}, any[16] = {};
    EXPECT_EQ(Ipv6Key(1, 42, linkLocal, 3, 0xBEEF5000, any, 0, 0), Ipv6Key(1, 42, linkLocal, 3, 0x5000, any, 0, 0));
    EXPECT_FALSE(Ipv6Key(1, 42, linkLocal, 3, 0x5000, any, 0, 0) == Ipv6Key(1, 42, linkLocal, 4, 0x5000, any, 0, 0))
        << "the scope is part of the address";
}

TEST(RowFilter, MatchesTheWordsOfTheFilterText) {
    // clang-format off
    const std::string row = "Chrome.exe\0" "4711\0" "192.168.1.10\0" "50123\0" "a-b\0" "-x\0" "ESTABLISHED"s;
    const std::pair<const char*, bool> cases[] = {
        {"", true}, {"  \t ", true}, {"-", true}, {" - - ", true}, {"chrome", true}, {"CHROME.EXE", true},
        {"rome.e", true}, {"chrome 4711", true}, {"chrome\t50123", true}, {"chrome 8080", false}, {"-chrome", false},
        {"chrome -4711", false}, {"-firefox -edge", true}, {"tcp -tcp", false}, {"exe4711", false}, {"a-b", true},
        {"--x", false}, {"--y", true}, {"-a-b", false}, {"shed", true}, {"ESTABLISHEDX", false}, {"1.10", true},
        {"-1.10 chrome", false},
    };
    // clang-format on
    RowFilter filter;
    for (const auto& [text, matches] : cases) {
        filter.Compile(text);
        EXPECT_EQ(filter.Matches(row), matches) << '"' << text << '"';
    }
    for (const char* text : {"", " \t", "-", " - - "})
        EXPECT_TRUE((filter.Compile(text), filter.MatchesEverything())) << '"' << text << '"';
    filter.Compile("--");
    EXPECT_FALSE(filter.MatchesEverything());
    filter.Compile("\xC4");
    EXPECT_FALSE(filter.Matches("\xE4")) << "only ASCII letters fold";
    EXPECT_TRUE(filter.Matches("x\xC4y"));
    filter.Compile("b\0c"s);
    EXPECT_TRUE(filter.Matches("c\0b"s)) << "a NUL separates words, so no word spans two cells";
    EXPECT_FALSE(filter.Matches("ab"));
    filter.Compile(std::string(70000, 'q'));
    EXPECT_TRUE(filter.Matches("x" + std::string(70000, 'Q')));
    EXPECT_FALSE(filter.Matches(std::string(69999, 'q')));

    // The skip-table search against a plain folded search, over texts made to repeat ('|' stands for a NUL).
    std::mt19937 random(7);
    auto text = [&random](size_t length, std::string_view letters) {
        std::string s;
        while (s.size() < length)
            s += letters[random() % letters.size()];
        return s;
    };
    auto fold = [](std::string s) {
        std::transform(s.begin(), s.end(), s.begin(), [](char c) { return c == 'A' || c == 'B' ? c + 32 : c; });
        return s;
    };
    for (int round = 0; round < 20000; ++round) {
        std::string cells = text(random() % 24, "abAB.|"), word = text(1 + random() % 5, "abAB.");
        std::replace(cells.begin(), cells.end(), '|', '\0');
        filter.Compile(word);
        ASSERT_EQ(filter.Matches(cells), fold(cells).find(fold(word)) != std::string::npos) << word << " in " << cells;
    }
}

TEST(ShownRows, EstablishedOnlyAndTheFilterChooseTheRowsAndTheCountsLeaveRemovedRowsOut) {
    // The state text is the token (column 0); equal tokens pair up in read order, so the third ESTABLISHED of
    // the first read is the one that goes.
    ChangeTracker tracker;
    Read(tracker, "TIME_WAIT ESTABLISHED ESTABLISHED ESTABLISHED", 1);
    EXPECT_EQ(Read(tracker, "ESTABLISHED ESTABLISHED LISTENING TIME_WAIT WAIT_CLOSE SYN_SENT CLOSE_WAIT", 2),
              "ESTABLISHED ESTABLISHED LISTENING+ ESTABLISHED-@1 TIME_WAIT WAIT_CLOSE+ SYN_SENT+ CLOSE_WAIT+");
    const struct {
        const char* filter;
        bool establishedOnly;
        int statusColumn;
        std::vector<int> rows;
        ConnectionCounts counts;
    } cases[] = {
        {"", false, 0, {0, 1, 2, 3, 4, 5, 6, 7}, {7, 2, 1, 1, 1}},
        {"", true, 0, {0, 1, 3}, {2, 2, 0, 0, 0}},
        {"wait", false, 0, {4, 5, 7}, {3, 0, 0, 1, 1}},
        {"-wait -established", true, 0, {}, {}},
        {"-wait -established", false, 0, {2, 6}, {2, 0, 1, 0, 0}},
        {"", true, -1, {0, 1, 2, 3, 4, 5, 6, 7}, {7, 0, 0, 0, 0}},
        {"", true, 2, {0, 1, 2, 3, 4, 5, 6, 7}, {7, 0, 0, 0, 0}},
    };
    RowFilter filter;
    std::vector<int> rows;
    ConnectionCounts counts;
    for (const auto& c : cases) {
        filter.Compile(c.filter);
        SelectShownRows(tracker, filter, {c.statusColumn, c.establishedOnly}, rows, counts);
        EXPECT_EQ(rows, c.rows) << c.filter << " " << c.establishedOnly << " " << c.statusColumn;
        EXPECT_EQ(counts, c.counts) << c.filter << " " << c.establishedOnly << " " << c.statusColumn;
    }
    std::array<std::string, kCountPanes> panes;
    FormatCountPanes({10000, 2, 0, 31, 7}, panes);
    EXPECT_EQ(panes, (std::array<std::string, kCountPanes>{"Endpoints: 10000", "Established: 2", "Listening: 0",
                                                           "Time Wait: 31", "Close Wait: 7"}));
}

struct Cells : ExportCells {
    int columns;
    std::vector<std::vector<std::string>> rows;
    Cells(int columns, std::vector<std::vector<std::string>> rows) : columns(columns), rows(std::move(rows)) {}
    int GetColumnCount() override { return columns; }
    int GetRowCount() override { return static_cast<int>(rows.size()); }
    std::string GetCellText(int row, int column) override { return rows.at(row).at(column); }
};

TEST(TableText, CsvQuotesOnlyWhatItMustAndCopiedRowsKeepOneFieldPerColumn) {
    // clang-format off
    const std::pair<std::string, std::string> fields[] = {
        {"plain", "plain"}, {"", ""}, {" spaced ", " spaced "}, {"a,b", "\"a,b\""}, {"\"", "\"\"\"\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""}, {"two\r\nlines", "\"two\r\nlines\""}, {"cr\r", "\"cr\r\""},
        {"\nlf", "\"\nlf\""}, {"tab\there", "tab\there"}, {"semi;colon", "semi;colon"},
    };
    // clang-format on
    for (const auto& [field, csv] : fields) {
        Cells cells(2, {{field, "x"}});
        EXPECT_EQ(BuildCsvText(cells, {"T", "U"}), "T,U\r\n" + csv + ",x\r\n") << field;
    }

    Cells cells(3, {{"svchost.exe", "812", "ESTABLISHED"}, {"a\tb", "9", "x\r\ny"}, {"c,d", "7", ""}});
    const std::vector<std::string> titles = {"Process", "PID", "Status"};
    EXPECT_EQ(BuildCopyText(cells, titles, {2, 0}),
              "Process\tPID\tStatus\r\nc,d\t7\t\r\nsvchost.exe\t812\tESTABLISHED\r\n");
    EXPECT_EQ(BuildCopyText(cells, titles, {1, 3, -1}), "Process\tPID\tStatus\r\na b\t9\tx  y\r\n")
        << "a tab or line break in a cell becomes a blank; rows outside the list are skipped";
    EXPECT_EQ(BuildCopyText(cells, titles, {3}), "") << "nothing to copy";
    EXPECT_EQ(BuildCopyText(cells, {"Process"}, {0}), "Process\t\t\r\nsvchost.exe\t812\tESTABLISHED\r\n");
    Cells empty(2, {});
    EXPECT_EQ(BuildCsvText(empty, {"A", "B", "C"}), "A,B\r\n") << "titles beyond the columns are left out";
    Cells none(-1, {{"a"}});
    EXPECT_EQ(BuildCsvText(none, titles) + BuildCopyText(none, titles, {0}), "");
}

} // namespace
