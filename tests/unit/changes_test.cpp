// Views over the connection rows: the change tracking over sequences of reads (also against a plain model
// over random reads), the filter box's matching, the rows shown with their counts, and the copied and CSV text.
#include "connections/ChangeTracker.h"
#include "connections/ShownRows.h"
#include "controls/RowFilter.h"
#include "log/TableText.h"
#include "support/ConnectionTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
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

// A token "name" or "name/owner" is one connection: the name (at most 16 bytes) is its local address, so
// two tokens are the same connection exactly when they are equal.
ConnectionKey KeyOf(const std::string& token) {
    ConnectionKey key;
    const size_t slash = token.find('/');
    const std::string name = token.substr(0, slash);
    std::memcpy(key.localAddress, name.data(), std::min<size_t>(name.size(), 16));
    key.owner = slash == std::string::npos ? 0 : static_cast<uint32_t>(std::stoul(token.substr(slash + 1)));
    key.protocol = 6;
    key.localPort = 80;
    return key;
}

// Feeds reads to a tracker: each row's cells are its token and "r<read number>". A row renders as its token,
// then "+" when New, or "-@<read>" when Removed with the read its cells come from; "?" flags a current row
// whose read index does not point at it, or a removed row with a read index.
struct Reads {
    ChangeTracker tracker;
    int count = 0;

    std::string Read(const std::string& line, bool showChanges = true) {
        const std::vector<std::string> tokens = Words(line);
        const std::string stamp = "r" + std::to_string(++count);
        ListRows& rows = tracker.BeginRead(2);
        std::vector<ConnectionKey> keys;
        for (const std::string& token : tokens) {
            const int row = rows.GetRowCount();
            rows.InsertEmptyRow(row);
            rows.SetCellText(row, 0, token.c_str());
            rows.SetCellText(row, 1, stamp.c_str());
            keys.push_back(KeyOf(token));
        }
        tracker.EndRead(keys, showChanges);
        return Render(tokens, stamp);
    }

    std::string Render(const std::vector<std::string>& tokens, const std::string& stamp) const {
        std::string text;
        for (int row = 0; row < tracker.RowCount(); ++row) {
            const std::string token = tracker.Cell(row, 0);
            const int at = tracker.ReadIndex(row);
            text += (text.empty() ? "" : " ") + token;
            if (tracker.Mark(row) == RowMark::Removed) {
                text += "-@" + std::string(tracker.Cell(row, 1) + 1) + (at != -1 ? "?" : "");
                continue;
            }
            if (tracker.Mark(row) == RowMark::New)
                text += "+";
            if (at < 0 || at >= static_cast<int>(tokens.size()) || tokens[at] != token || tracker.Cell(row, 1) != stamp)
                text += "?";
        }
        return text;
    }
};

struct Sequence {
    const char* name;
    // Each step: a read ("!" first: with changes not shown) and the rows expected after it.
    std::vector<std::pair<std::string, std::string>> steps;
};

TEST(ChangeTracker, MarksNewAndRemovedConnectionsOverSequencesOfReads) {
    const Sequence sequences[] = {
        {"new, then gone",
         {{"a b", "a b"}, {"a b c", "a b c+"}, {"a c", "a b-@2 c+"}, {"a c", "a b-@2 c"}, {"a c", "a c"}}},
        {"back within the two refreshes is shown once, as new",
         {{"a b", "a b"}, {"a", "a b-@1"}, {"a b", "a b+"}, {"a b", "a b+"}, {"a b", "a b"}}},
        {"back after its removed rows ended",
         {{"a b", "a b"}, {"b", "a-@1 b"}, {"b", "a-@1 b"}, {"b", "b"}, {"a b", "a+ b"}}},
        {"the same endpoints under another owner: the old one went, a new one came",
         {{"a/1 b", "a/1 b"}, {"a/2 b", "a/1-@1 a/2+ b"}, {"a/2 b", "a/1-@1 a/2+ b"}, {"a/2 b", "a/2 b"}}},
        {"equal endpoints in one read pair up in read order",
         {{"a a", "a a"}, {"a a a", "a a a+"}, {"a", "a a-@2 a-@2"}, {"a b", "a a-@2 b+ a-@2"}, {"a a", "a b-@4 a+"}}},
        {"a removed row stands where it was",
         {{"a b c d", "a b c d"}, {"a d", "a b-@1 d c-@1"}, {"d", "a-@2 d b-@1 c-@1"}}},
        {"an empty read", {{"", ""}, {"a", "a+"}, {"", "a-@2"}, {"", "a-@2"}, {"", ""}}},
        {"changes not shown, while tracked", {{"!a b", "a b"}, {"!a c", "a c"}, {"a c", "a b-@1 c+"}, {"!c", "c"}}},
    };
    for (const Sequence& sequence : sequences) {
        Reads reads;
        for (const auto& [line, expected] : sequence.steps) {
            const bool show = line.empty() || line[0] != '!';
            EXPECT_EQ(reads.Read(show ? line : line.substr(1), show), expected)
                << sequence.name << ", read " << reads.count << ": " << line;
        }
    }
}

// The rules again, kept plainly: every connection in a std::map by token and ordinal, the removed rows sorted
// by their last position.
struct PlainModel {
    struct Seen {
        int first = 0, last = 0, position = 0;
    };
    std::map<std::pair<std::string, int>, Seen> seen;
    int read = 0;

    std::string Read(const std::vector<std::string>& tokens, bool show) {
        ++read;
        std::map<std::string, int> ordinals;
        std::vector<std::string> current;
        for (size_t i = 0; i < tokens.size(); ++i) {
            auto [at, added] = seen.try_emplace({tokens[i], ordinals[tokens[i]]++});
            if (added)
                at->second.first = read == 1 ? 0 : read;
            else if (at->second.last != read - 1)
                at->second.first = read;
            at->second.last = read;
            at->second.position = static_cast<int>(i);
            const bool isNew = show && at->second.first != 0 && read - at->second.first <= 1;
            current.push_back(tokens[i] + (isNew ? "+" : ""));
        }
        std::vector<std::tuple<int, int, std::string>> removed; // position, -last, text
        for (auto at = seen.begin(); at != seen.end();) {
            const Seen& s = at->second;
            if (read - s.last >= 3) {
                at = seen.erase(at);
                continue;
            }
            if (s.last != read)
                removed.emplace_back(s.position, -s.last, at->first.first + "-@" + std::to_string(s.last));
            ++at;
        }
        std::sort(removed.begin(), removed.end());
        std::string text;
        size_t next = 0;
        auto add = [&text](const std::string& row) { text += (text.empty() ? "" : " ") + row; };
        for (size_t row = 0; row < current.size(); ++row) {
            while (show && next < removed.size() && std::get<0>(removed[next]) <= static_cast<int>(row))
                add(std::get<2>(removed[next++]));
            add(current[row]);
        }
        while (show && next < removed.size())
            add(std::get<2>(removed[next++]));
        return text;
    }
};

TEST(ChangeTracker, AgreesWithThePlainModelOverRandomReads) {
    std::mt19937 random(25);
    Reads reads;
    PlainModel model;
    for (int read = 0; read < 300; ++read) {
        // Sizes up to 3,000 rows over a few thousand connections: the table grows, and records are freed and
        // taken again; some tokens repeat within a read.
        const int universe = 50 + static_cast<int>(random() % 4000);
        const int size = static_cast<int>(random() % (read % 50 == 49 ? 3000 : 300));
        std::vector<std::string> tokens;
        for (int i = 0; i < size; ++i)
            tokens.push_back("k" + std::to_string(random() % universe) + (random() % 8 == 0 ? "/7" : ""));
        const bool show = random() % 5 != 0;
        std::string line;
        for (const std::string& token : tokens)
            line += token + " ";
        ASSERT_EQ(reads.Read(line, show), model.Read(tokens, show)) << "read " << read + 1;
    }
}

TEST(ChangeTracker, FirstReadsMissingKeysBadCallsAndTheListRefreshAsWriter) {
    Reads reads;
    reads.Read("a b");
    EXPECT_EQ(reads.Read("a b c"), "a b c+");
    reads.tracker.Reset();
    EXPECT_EQ(reads.Read("a d"), "a d") << "after Reset the read is a first read";
    reads.tracker.BeginRead(3); // another column count forgets the connections as well
    reads.tracker.EndRead({}, true);
    EXPECT_EQ(reads.tracker.RowCount(), 0);
    EXPECT_EQ(reads.Read("a e"), "a e");

    // Rows without keys count as all-zero keys; keys beyond the rows are ignored; calls outside the rows and
    // columns change nothing.
    ChangeTracker tracker;
    ListRows& rows = tracker.BeginRead(2);
    for (int row : {0, 0, 0, 5, -1})
        rows.InsertEmptyRow(row);
    rows.DeleteRow(3);
    rows.DeleteRow(-1);
    rows.SetCellText(0, 0, "first");
    rows.SetCellText(0, 1, nullptr);
    rows.SetCellText(1, 0, "x");
    rows.SetCellText(1, 0, "second");
    rows.SetCellText(1, 2, "beyond");
    rows.SetCellText(3, 0, "beyond");
    rows.DeleteRow(2);
    const ConnectionKey keys[] = {KeyOf("a"), KeyOf("b"), KeyOf("c")};
    tracker.EndRead(std::span(keys, 1), true);
    ASSERT_EQ(tracker.RowCount(), 2);
    EXPECT_EQ(std::string(tracker.Cells(0)), "first\0\0"s);
    EXPECT_EQ(std::string(tracker.Cells(1)), "second\0\0"s);
    EXPECT_EQ(std::string(tracker.Cell(1, 2)) + tracker.Cell(2, 0) + tracker.Cell(-1, 0), "");
    EXPECT_EQ(tracker.Mark(2), RowMark::None);
    EXPECT_EQ(tracker.ReadIndex(2), -1);
    tracker.BeginRead(2).InsertEmptyRow(0);
    tracker.EndRead(keys, true);
    EXPECT_EQ(tracker.RowCount(), 2) << "the keyless row is gone, the row keyed a stays";
    EXPECT_EQ(tracker.Mark(0), RowMark::None);
    EXPECT_EQ(tracker.Mark(1), RowMark::Removed);

    // The list refresh writes a read as it writes the list; the upper halves of the port fields, which the
    // system leaves undefined, do not make a connection new.
    ConnectionSnapshot snapshot = {MakeEntry(Ip(10, 0, 0, 1), 80, Ip(192, 0, 2, 7), 50000, kEstablished, true, 42),
                                   MakeEntry(Ip(10, 0, 0, 1), 443, Ip(0, 0, 0, 0), 0, kListening, true, 42)};
    HostNameCache hostNames;
    ProcessNameCache processNames;
    processNames.Append("42", "server.exe");
    EventQueue events;
    ColumnIndexes columns{0, 1, 2, 3, 4, 5, 6};
    RefreshOptions options;
    options.withProcesses = true;
    ChangeTracker fromRefresh;
    for (uint32_t high : {0u, 0xBEEFu}) {
        std::vector<ConnectionKey> snapshotKeys;
        for (const ConnectionEntry& entry : snapshot)
            snapshotKeys.push_back(Ipv4Key(6, 42, entry.localAddr, entry.localPort | high << 16, entry.remoteAddr,
                                           entry.remotePort | high << 16));
        RefreshList(fromRefresh.BeginRead(7), snapshot, hostNames, processNames, events, columns, options);
        fromRefresh.EndRead(snapshotKeys, true);
        ASSERT_EQ(fromRefresh.RowCount(), 2);
        EXPECT_EQ(fromRefresh.Mark(0), RowMark::None);
        EXPECT_EQ(fromRefresh.Mark(1), RowMark::None);
        EXPECT_EQ(std::string(fromRefresh.Cells(1)), "server.exe\0"
                                                     "42\0"
                                                     "10.0.0.1\0"
                                                     "443\0"
                                                     "0.0.0.0\0"
                                                     "0\0"
                                                     "LISTENING\0"s);
    }
}

TEST(RowFilter, MatchesTheWordsOfTheFilterText) {
    const std::string row = "Chrome.exe\0"
                            "4711\0"
                            "192.168.1.10\0"
                            "50123\0"
                            "a-b\0"
                            "-x\0"
                            "ESTABLISHED"s;
    const struct {
        const char* filter;
        bool matches;
    } cases[] = {
        {"", true},
        {"  \t ", true},
        {"-", true},
        {" - - ", true},
        {"chrome", true},
        {"CHROME.EXE", true},
        {"rome.e", true},
        {"chrome 4711", true},
        {"chrome\t50123", true},
        {"chrome 8080", false},
        {"-chrome", false},
        {"chrome -4711", false},
        {"-firefox", true},
        {"-firefox -edge", true},
        {"established -time", true},
        {"tcp -tcp", false},
        {"exe4711", false},
        {"a-b", true},
        {"--x", false},
        {"--y", true},
        {"-a-b", false},
        {"established", true},
        {"shed", true},
        {"ESTABLISHEDX", false},
        {"Chrome.exe4711x", false},
        {"1.10", true},
        {"-1.10 chrome", false},
    };
    RowFilter filter;
    for (const auto& c : cases) {
        filter.Compile(c.filter);
        EXPECT_EQ(filter.Matches(row), c.matches) << '"' << c.filter << '"';
        EXPECT_EQ(filter.MatchesEverything(),
                  Words(c.filter).empty() || std::string(c.filter).find_first_not_of(" -\t") == std::string::npos)
            << '"' << c.filter << '"';
    }
    filter.Compile("\xC4");
    EXPECT_FALSE(filter.Matches("\xE4")) << "only ASCII letters fold";
    EXPECT_TRUE(filter.Matches("x\xC4y"));
    filter.Compile("b\0c"s);
    EXPECT_TRUE(filter.Matches("ab\0cd"s)) << "a NUL separates words";
    EXPECT_FALSE(filter.Matches("ab"));
    filter.Compile(std::string(70000, 'q'));
    EXPECT_TRUE(filter.Matches("x" + std::string(70000, 'Q')));
    EXPECT_FALSE(filter.Matches(std::string(69999, 'q')));
}

TEST(RowFilter, SearchAgreesWithAPlainFoldedSearch) {
    std::mt19937 random(7);
    const char letters[] = {'a', 'b', 'A', 'B', '\0', '.'};
    auto text = [&](size_t length) {
        std::string s;
        while (s.size() < length)
            s += letters[random() % sizeof letters];
        return s;
    };
    auto fold = [](std::string s) {
        for (char& c : s)
            c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
        return s;
    };
    RowFilter filter;
    for (int round = 0; round < 20000; ++round) {
        const std::string row = text(random() % 24);
        std::string word = text(1 + random() % 5);
        std::replace(word.begin(), word.end(), '\0', 'a');
        filter.Compile(word);
        ASSERT_EQ(filter.Matches(row), fold(row).find(fold(word)) != std::string::npos) << word << " in " << row;
    }
}

// One read of rows of a name (column 0, the key) and a state text (column 1).
void Track(ChangeTracker& tracker, const std::vector<std::pair<std::string, std::string>>& rows) {
    ListRows& read = tracker.BeginRead(2);
    std::vector<ConnectionKey> keys;
    for (const auto& [name, state] : rows) {
        const int row = read.GetRowCount();
        read.InsertEmptyRow(row);
        read.SetCellText(row, 0, name.c_str());
        read.SetCellText(row, 1, state.c_str());
        keys.push_back(KeyOf(name));
    }
    tracker.EndRead(keys, true);
}

TEST(ShownRows, EstablishedOnlyAndTheFilterChooseTheRowsAndTheCountsLeaveRemovedRowsOut) {
    ChangeTracker tracker;
    Track(tracker, {{"gone", "ESTABLISHED"}, {"old", "TIME_WAIT"}});
    Track(tracker, {{"e1", "ESTABLISHED"},
                    {"e2", "ESTABLISHED"},
                    {"l", "LISTENING"},
                    {"t", "TIME_WAIT"},
                    {"c", "WAIT_CLOSE"},
                    {"s", "SYN_SENT"},
                    {"u", ""},
                    {"x", "CLOSE_WAIT"}});
    // Shown: gone- e1 old- e2 l t c s u x (each removed row stands before the row now at its old position).
    ASSERT_EQ(tracker.RowCount(), 10);
    const struct {
        const char* filter;
        bool establishedOnly;
        int statusColumn;
        std::vector<int> rows;
        ConnectionCounts counts;
    } cases[] = {
        {"", false, 1, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, {8, 2, 1, 1, 1}},
        {"", true, 1, {0, 1, 3}, {2, 2, 0, 0, 0}},
        {"e", true, 1, {0, 1, 3}, {2, 2, 0, 0, 0}},
        {"-gone", true, 1, {1, 3}, {2, 2, 0, 0, 0}},
        {"wait", false, 1, {2, 5, 6, 9}, {3, 0, 0, 1, 1}},
        {"-wait -established", false, 1, {4, 7, 8}, {3, 0, 1, 0, 0}},
        {"", true, -1, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, {8, 0, 0, 0, 0}},
        {"", true, 2, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, {8, 0, 0, 0, 0}},
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
    std::vector<std::vector<std::string>> rows;
    int columns = 0;
    Cells(int columns, std::vector<std::vector<std::string>> rows) : rows(std::move(rows)), columns(columns) {}
    int GetColumnCount() override { return columns; }
    int GetRowCount() override { return static_cast<int>(rows.size()); }
    std::string GetCellText(int row, int column) override { return rows.at(row).at(column); }
};

TEST(TableText, CsvQuotesAFieldOnlyWhenItHoldsACommaAQuoteOrALineBreak) {
    const struct {
        std::string field, csv;
    } cases[] = {
        {"plain", "plain"},
        {"", ""},
        {" spaced ", " spaced "},
        {"a,b", "\"a,b\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"\"", "\"\"\"\""},
        {"two\r\nlines", "\"two\r\nlines\""},
        {"cr\r", "\"cr\r\""},
        {"\nlf", "\"\nlf\""},
        {"tab\there", "tab\there"},
        {"semi;colon", "semi;colon"},
        {"'quote'", "'quote'"},
    };
    for (const auto& c : cases) {
        Cells cells(2, {{c.field, "x"}});
        EXPECT_EQ(BuildCsvText(cells, {"T", "U"}), "T,U\r\n" + c.csv + ",x\r\n") << c.field;
    }
}

TEST(TableText, CsvAndCopiedRowsOfAList) {
    Cells cells(3, {{"svchost.exe", "812", "ESTABLISHED"}, {"a\tb", "9", "x\r\ny"}, {"c,d", "7", ""}});
    const std::vector<std::string> titles = {"Process", "PID", "Status"};
    EXPECT_EQ(BuildCsvText(cells, titles),
              "Process,PID,Status\r\nsvchost.exe,812,ESTABLISHED\r\na\tb,9,\"x\r\ny\"\r\n\"c,d\",7,\r\n");
    EXPECT_EQ(BuildCopyText(cells, titles, {2, 0}),
              "Process\tPID\tStatus\r\nc,d\t7\t\r\nsvchost.exe\t812\tESTABLISHED\r\n");
    EXPECT_EQ(BuildCopyText(cells, titles, {1, 3, -1}), "Process\tPID\tStatus\r\na b\t9\tx  y\r\n")
        << "a tab or line break in a cell becomes a blank; rows outside the list are skipped";
    EXPECT_EQ(BuildCopyText(cells, titles, {}), "");
    EXPECT_EQ(BuildCopyText(cells, titles, {3}), "");
    EXPECT_EQ(BuildCopyText(cells, {"Process"}, {0}), "Process\t\t\r\nsvchost.exe\t812\tESTABLISHED\r\n")
        << "a missing title is an empty field";
    Cells empty(2, {});
    EXPECT_EQ(BuildCsvText(empty, {"A", "B", "C"}), "A,B\r\n") << "titles beyond the columns are left out";
    Cells none(-1, {{"a"}});
    EXPECT_EQ(BuildCsvText(none, titles), "");
    EXPECT_EQ(BuildCopyText(none, titles, {0}), "");
}

} // namespace
