// The black list: its file text both ways, loading and saving over real files with injected failures, and
// the matching rule. (The closer's pass over the connections shows end to end in the dialogs suite.)
#include "blacklist/BlackListMatch.h"
#include "blacklist/BlackListStore.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

namespace fs = std::filesystem;

TEST(BlackListFile, ReadsWhatItWritesAndAnyBytesAsADefinedList) {
    const BlackList entries = {"192.0.2.10", " spaced ", "\xE9t\xE9", "a&amp;b", ""};
    EXPECT_EQ(ParseBlackList(FormatBlackList(entries)), entries); // the file's bytes are checked end to end
    const std::string longEntry(100 * 1024, 'x');
    // clang-format off
    const std::pair<std::string, BlackList> cases[] = {
        {"", {}}, {"\n\n \t\n", {}}, {"<blacklist>\n<LINK>a</LINK>\nplain text\n", {}},
        {"<link>a</link><link>b</link>\n", {"a"}},                 // the first of a line only
        {"  <link>open entry \t\r\n<link>b", {"open entry", "b"}}, // unterminated: to the line's end
        {"<link>a</link>\r<link>b</link>\r", {"a"}},               // a CR alone ends no line
        {"<link>a</link>\n<link>a</link>\n<link>A</link>\n", {"a", "A"}}, // duplicates skipped
        {std::string("<link>ab\0cd</link>\n", 19), {"ab"}},        // a NUL ends the entry
        {"<link>" + longEntry + "</link>\r\n", {longEntry}},
    };
    // clang-format on
    for (const auto& [bytes, expected] : cases)
        EXPECT_EQ(ParseBlackList(bytes), expected) << bytes.substr(0, 40);
}

// Real files in a scratch folder; each step of a save can be made to fail.
struct ScratchFiles : BlackListFileSystem {
    enum class Fail { None, Create, Write, Flush, Close, Replace } fail = Fail::None;
    bool readFails = false; // the file is there but cannot be read (held open by another program, say)

    ReadResult ReadWhole(const std::string& path, std::string& bytes) override {
        std::ifstream in(path, std::ios::binary);
        if (!fs::exists(path) || readFails || !in)
            return fs::exists(path) ? ReadResult::Unreadable : ReadResult::Missing;
        bytes.assign(std::istreambuf_iterator<char>(in), {});
        return ReadResult::Read;
    }
    void CreateFolderIfMissing(const std::string& folder) override {
        std::error_code ignored; // the outcome shows when the file is created
        fs::create_directory(folder, ignored);
    }
    std::unique_ptr<OutputFile> CreateNew(const std::string& path) override {
        auto output = std::make_unique<Output>(path, fail);
        return fail != Fail::Create && output->out.is_open() ? std::move(output) : nullptr;
    }
    bool Replace(const std::string& from, const std::string& to) override {
        return fail != Fail::Replace && std::rename(from.c_str(), to.c_str()) == 0;
    }
    void Remove(const std::string& path) override { std::remove(path.c_str()); }
    struct Output : OutputFile {
        std::ofstream out;
        Fail fail;
        Output(const std::string& path, Fail fail) : out(path, std::ios::binary), fail(fail) {}
        bool Write(const char* data, size_t size) override {
            out.write(data, static_cast<std::streamsize>(fail == Fail::Write ? size / 2 : size)); // half of it lands
            return out.good() && fail != Fail::Write;
        }
        bool Flush() override { return out.flush().good() && fail != Fail::Flush; }
        bool Close() override { return out.close(), out.good() && fail != Fail::Close; }
    };
};

using Read = BlackListFileSystem::ReadResult;
using Saved = BlackListStore::SaveResult;
using Fail = ScratchFiles::Fail;

// A save replaces the file only through a complete write, and never over a file its holder could not read
// (unless the user chose to replace it: Overwrite, with the same checked writes).
TEST(BlackListStore, ASaveReplacesTheFileOnlyThroughACompleteWriteOfWhatWasRead) {
    const fs::path folder = fs::path(::testing::TempDir()) / "blacklist_store";
    const std::string file = (folder / "blacklist.xml").string(), old = "<link>old</link>\n";
    const auto bytes = [&] {
        std::ifstream in(file, std::ios::binary);
        return fs::exists(file) ? std::string(std::istreambuf_iterator<char>(in), {}) : "(none)";
    };
    const std::string saved = FormatBlackList({"new"});
    // clang-format off
    const struct { const char* name; bool present, unreadable, overwrite; Fail fail; Saved result; std::string after; }
    cases[] = {
        {"missing: the save creates folder and file", false, false, false, Fail::None, Saved::Saved, saved},
        {"create fails", true, false, false, Fail::Create, Saved::Failed, old},
        {"write fails half way", true, false, false, Fail::Write, Saved::Failed, old},
        {"close fails", true, false, false, Fail::Close, Saved::Failed, old},
        {"replace fails", true, false, false, Fail::Replace, Saved::Failed, old},
        {"flush fails: what was written is kept", true, false, false, Fail::Flush, Saved::Saved, saved},
        {"not read: refused", true, true, false, Fail::None, Saved::Refused, old},
        {"not read: overwritten", true, true, true, Fail::None, Saved::Saved, saved},
        {"not read: a failed overwrite keeps it", true, true, true, Fail::Replace, Saved::Failed, old},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(folder);
        if (c.present) {
            fs::create_directories(folder);
            std::ofstream(file, std::ios::binary) << old;
        }
        ScratchFiles files;
        files.readFails = c.unreadable;
        BlackListStore store{files, folder.string(), file};
        EXPECT_EQ(store.Save({"x"}), Saved::Refused) << "nothing loaded yet";
        BlackList list = {"kept"};
        EXPECT_EQ(store.Load(list), c.unreadable ? Read::Unreadable : c.present ? Read::Read : Read::Missing);
        EXPECT_EQ(list, c.present && !c.unreadable ? BlackList{"old"} : BlackList{"kept"});
        EXPECT_EQ(fs::exists(folder), c.present) << "reading creates no folder";
        files.fail = c.fail;
        const bool overwritten = c.overwrite && store.Overwrite({"new"});
        EXPECT_EQ(c.overwrite ? (overwritten ? Saved::Saved : Saved::Failed) : store.Save({"new"}), c.result);
        EXPECT_EQ(bytes(), c.after);
        EXPECT_FALSE(fs::exists(file + ".tmp"));
        files = ScratchFiles{}; // a holder that read the file, or wrote it, may save again
        EXPECT_EQ(overwritten ? Read::Read : store.Load(list), Read::Read);
        EXPECT_EQ(store.Save({"next"}), Saved::Saved);
    }
    fs::remove_all(folder);
}

// An address entry matches whole remote addresses, ignoring case; any other entry matches a part of the host
// name, case-sensitively, within the name's 510 characters; an empty entry matches nothing.
TEST(BlackListMatch, MatchingRule) {
    const std::string n510(510, 'n');
    // clang-format off
    const struct { std::string entry, address, hostName; bool matches; } cases[] = {
        {"192.0.2.10", "192.0.2.10", "", true}, {"192.0.2.1", "192.0.2.10", "", false},
        {"ABC.0.2.1", "abc.0.2.1", "", true}, {"host.example", "192.0.2.10", "docs-host.example", true},
        {"Docs-Host.example", "192.0.2.10", "docs-host.example", false}, {"docs-host.example", "192.0.2.10", "", false},
        {"", "192.0.2.10", "docs-host.example", false},
        {n510 + "tail", "1.2.3.4", n510, true}, {n510.substr(1) + "tail", "1.2.3.4", n510, false},
    };
    // clang-format on
    for (const auto& c : cases) {
        ConnectionSnapshot snapshot(1); // a connection as the closer takes it from a snapshot entry
        CopyBounded(snapshot[0].remoteAddressText, c.address.c_str());
        CopyBounded(snapshot[0].remoteHostName, c.hostName.c_str());
        EXPECT_EQ(BlackListEntryMatches(c.entry, TargetsOf(snapshot).at(0)), c.matches)
            << "'" << c.entry.substr(0, 40) << "' / " << c.address << " / " << c.hostName.substr(0, 40);
    }
}

} // namespace
