// The black list: its file text both ways, loading and saving over real files with injected failures,
// the matching rule and the closer pass.
#include "blacklist/BlackListMatch.h"
#include "blacklist/BlackListStore.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

namespace fs = std::filesystem;

const std::string kHead = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n<blacklist>\r\n"
                          "  <description>Pelloran BlackList Entries</description>\r\n";

TEST(BlackListFile, WritesTheFileByteForByteAndReadsItBack) {
    const BlackList entries = {"192.0.2.10", "docs-host.example", " spaced ", "Docs-Host.example",
                               "\xE9t\xE9",  "a&amp;b",           ""};
    const std::string text = FormatBlackList(entries);
    EXPECT_EQ(text, kHead +
                        "  <link>192.0.2.10</link>\r\n  <link>docs-host.example</link>\r\n"
                        "  <link> spaced </link>\r\n  <link>Docs-Host.example</link>\r\n"
                        "  <link>\xE9t\xE9</link>\r\n  <link>a&amp;b</link>\r\n  <link></link>\r\n</blacklist>\r\n");
    EXPECT_EQ(ParseBlackList(text), entries);
    EXPECT_EQ(FormatBlackList({}), kHead + "</blacklist>\r\n");
    EXPECT_TRUE(ParseBlackList(FormatBlackList({})).empty());
}

TEST(BlackListFile, MalformedInputGivesADefinedList) {
    struct Case {
        const char* name;
        std::string bytes;
        BlackList expected;
    };
    const std::string longEntry(100 * 1024, 'x');
    const Case cases[] = {
        {"empty file", "", {}},
        {"no link tag", "<blacklist>\n<LINK>a</LINK>\nplain text\n", {}},
        {"several per line: the first only", "<link>a</link><link>b</link>\n", {"a"}},
        {"unterminated runs to the line's end", "  <link>open entry \t\r\n<link>b", {"open entry", "b"}},
        {"CR-only lines are one line", "<link>a</link>\r<link>b</link>\r", {"a"}},
        {"text before the tag and spaces inside", "junk <link> a </link> junk\n", {" a "}},
        {"duplicates skipped, later lines read", "<link>a</link>\n<link>a</link>\n<link>A</link>\n", {"a", "A"}},
        {"bytes from 0x80 kept", "<link>\x80\xff\xa0</link>\n", {"\x80\xff\xa0"}},
        {"a NUL ends the entry", std::string("<link>ab\0cd</link>\n", 19), {"ab"}},
        {"a 100 KB line", "<link>" + longEntry + "</link>\r\n", {longEntry}},
        {"empty entry", "<link></link>\n", {""}},
        {"lone LFs and white space", "\n\n \t\n", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseBlackList(c.bytes), c.expected) << c.name;
}

// Real files in a scratch folder; each step of a save can be made to fail.
class ScratchFiles : public BlackListFileSystem {
public:
    enum class Fail { None, Create, Write, Flush, Close, Replace };
    Fail fail = Fail::None;
    bool readFails = false; // the file is there but cannot be read (held open by another program, say)

    ReadResult ReadWhole(const std::string& path, std::string& bytes) override {
        std::FILE* file = readFails ? nullptr : std::fopen(path.c_str(), "rb");
        if (readFails)
            return fs::exists(path) ? ReadResult::Unreadable : ReadResult::Missing;
        if (file == nullptr)
            return errno == ENOENT ? ReadResult::Missing : ReadResult::Unreadable;
        std::string text;
        char buffer[4096];
        size_t got;
        while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
            text.append(buffer, got);
        const bool failed = std::ferror(file) != 0;
        std::fclose(file);
        if (failed)
            return ReadResult::Unreadable;
        bytes = std::move(text);
        return ReadResult::Read;
    }
    void CreateFolderIfMissing(const std::string& folder) override {
        std::error_code ignored;
        fs::create_directory(folder, ignored);
    }
    std::unique_ptr<OutputFile> CreateNew(const std::string& path) override {
        std::FILE* file = fail == Fail::Create ? nullptr : std::fopen(path.c_str(), "wb");
        return file ? std::make_unique<Output>(file, fail) : nullptr;
    }
    bool Replace(const std::string& from, const std::string& to) override {
        return fail != Fail::Replace && std::rename(from.c_str(), to.c_str()) == 0;
    }
    void Remove(const std::string& path) override { std::remove(path.c_str()); }

private:
    struct Output : OutputFile {
        std::FILE* file;
        Fail fail;
        Output(std::FILE* file, Fail fail) : file(file), fail(fail) {}
        ~Output() override {
            if (file)
                std::fclose(file);
        }
        bool Write(const char* data, size_t size) override {
            if (fail == Fail::Write) // half of it reaches the disk
                return std::fwrite(data, 1, size / 2, file) && false;
            return std::fwrite(data, 1, size, file) == size;
        }
        bool Flush() override { return std::fflush(file) == 0 && fail != Fail::Flush; }
        bool Close() override {
            const bool closed = std::fclose(file) == 0;
            file = nullptr;
            return closed && fail != Fail::Close;
        }
    };
};

using Saved = BlackListStore::SaveResult;

class BlackListStoreTest : public ::testing::Test {
protected:
    fs::path folder = fs::path(::testing::TempDir()) /
                      ("blacklist_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    std::string file = (folder / "blacklist.xml").string();
    ScratchFiles files;
    BlackListStore store{files, folder.string(), file};

    void SetUp() override { fs::remove_all(folder); }
    void TearDown() override { fs::remove_all(folder); }

    std::string FileBytes() const {
        std::ifstream in(file, std::ios::binary);
        std::stringstream bytes;
        bytes << in.rdbuf();
        return bytes.str();
    }
};

TEST_F(BlackListStoreTest, MissingFileKeepsTheListAndTheFirstSaveCreatesFolderAndFile) {
    BlackList list = {"kept"};
    EXPECT_EQ(store.Load(list), BlackListFileSystem::ReadResult::Missing);
    EXPECT_EQ(list, BlackList{"kept"});
    EXPECT_FALSE(fs::exists(folder)) << "reading creates no folder";
    ASSERT_EQ(store.Save({"a", "b"}), Saved::Saved);
    EXPECT_EQ(FileBytes(), FormatBlackList({"a", "b"}));
    EXPECT_EQ(store.Load(list), BlackListFileSystem::ReadResult::Read);
    EXPECT_EQ(list, (BlackList{"a", "b"}));
}

TEST_F(BlackListStoreTest, AFailedSaveKeepsTheOldFileAndLeavesNoTemporary) {
    BlackList list;
    store.Load(list);
    ASSERT_EQ(store.Save({"old"}), Saved::Saved);
    const std::string old = FileBytes();
    for (auto fail : {ScratchFiles::Fail::Create, ScratchFiles::Fail::Write, ScratchFiles::Fail::Close,
                      ScratchFiles::Fail::Replace}) {
        files.fail = fail;
        EXPECT_EQ(store.Save({"new"}), Saved::Failed) << static_cast<int>(fail);
        EXPECT_EQ(FileBytes(), old) << static_cast<int>(fail);
        EXPECT_FALSE(fs::exists(file + ".tmp")) << static_cast<int>(fail);
    }
    // Some network shares cannot be flushed: what was written is kept.
    files.fail = ScratchFiles::Fail::Flush;
    EXPECT_EQ(store.Save({"new"}), Saved::Saved);
    EXPECT_EQ(FileBytes(), FormatBlackList({"new"}));
}

// The user chose to replace a file the holder could not read: the same checked writes, so a failure still
// keeps the old file.
TEST_F(BlackListStoreTest, OverwriteReplacesAnUnreadFileOnlyThroughACompleteWrite) {
    fs::create_directories(folder);
    std::ofstream(file, std::ios::binary) << "<link>on disk</link>\n";
    files.readFails = true;
    BlackList list;
    ASSERT_EQ(store.Load(list), BlackListFileSystem::ReadResult::Unreadable);
    files.fail = ScratchFiles::Fail::Replace;
    EXPECT_FALSE(store.Overwrite({"shown"}));
    EXPECT_EQ(FileBytes(), "<link>on disk</link>\n");
    files.fail = ScratchFiles::Fail::None;
    EXPECT_TRUE(store.Overwrite({"shown"}));
    EXPECT_EQ(FileBytes(), FormatBlackList({"shown"}));
    EXPECT_EQ(store.Save({"shown", "next"}), Saved::Saved) << "the file now holds this holder's list";
}

TEST_F(BlackListStoreTest, AFileThatCouldNotBeReadIsNotOverwrittenUntilAReadSucceeds) {
    BlackList list = {"in memory"};
    EXPECT_EQ(store.Save(list), Saved::Refused) << "nothing loaded yet";
    fs::create_directories(folder);
    std::ofstream(file, std::ios::binary) << "<link>on disk</link>\n";
    files.readFails = true;
    EXPECT_EQ(store.Load(list), BlackListFileSystem::ReadResult::Unreadable);
    EXPECT_EQ(list, BlackList{"in memory"});
    EXPECT_EQ(store.Save(list), Saved::Refused);
    EXPECT_EQ(FileBytes(), "<link>on disk</link>\n");
    files.readFails = false;
    EXPECT_EQ(store.Load(list), BlackListFileSystem::ReadResult::Read);
    EXPECT_EQ(list, BlackList{"on disk"});
    EXPECT_EQ(store.Save({"on disk", "added"}), Saved::Saved);
    // A directory in the file's place cannot be read either, nor replaced.
    fs::remove(file);
    fs::create_directory(file);
    EXPECT_EQ(store.Load(list), BlackListFileSystem::ReadResult::Unreadable);
    EXPECT_EQ(store.Save(list), Saved::Refused);
    EXPECT_TRUE(fs::is_directory(file));
}

// A connection as the closer takes it from a snapshot entry.
BlackListTarget Connection(const char* address, const char* hostName, uint32_t id = 0) {
    ConnectionSnapshot snapshot(1);
    CopyBounded(snapshot[0].remoteAddressText, address);
    CopyBounded(snapshot[0].remoteHostName, hostName);
    snapshot[0].localPort = id;
    return TargetsOf(snapshot).at(0);
}

TEST(BlackListMatch, MatchingRule) {
    const std::string name510(510, 'n');
    struct Case {
        std::string entry, address, hostName;
        bool matches;
    };
    const Case cases[] = {
        {"192.0.2.10", "192.0.2.10", "", true},
        {"192.0.2.1", "192.0.2.10", "", false}, // an address entry matches whole addresses only
        {"ABC.0.2.1", "abc.0.2.1", "", true},   // letter case ignored for the address
        {"docs-host.example", "192.0.2.10", "docs-host.example", true},
        {"host.example", "192.0.2.10", "docs-host.example", true}, // part of the name
        {"Docs-Host.example", "192.0.2.10", "docs-host.example", false},
        {"docs-host.example", "192.0.2.10", "", false}, // not resolved (or names not shown)
        {"", "192.0.2.10", "docs-host.example", false}, // an empty entry matches nothing
        {"", "", "", false},
        {name510 + "tail", "1.2.3.4", name510, true}, // only the first 510 characters count
        {name510.substr(1) + "tail", "1.2.3.4", name510, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(BlackListEntryMatches(c.entry, Connection(c.address.c_str(), c.hostName.c_str())), c.matches)
            << "'" << c.entry.substr(0, 40) << "' / " << c.address << " / " << c.hostName.substr(0, 40);
    }
}

TEST(BlackListMatch, PassClosesNeighboursAndRemovesWhatItClosed) {
    BlackListTargets snapshot = {Connection("10.0.0.1", "", 1), Connection("192.0.2.10", "docs-host.example", 2),
                                 Connection("192.0.2.10", "docs-host.example", 3), Connection("10.0.0.2", "", 4),
                                 Connection("10.0.0.3", "", 5)};
    std::vector<uint32_t> tried;
    const auto closed = RunBlackListPass(
        snapshot, {"192.0.2.10", "host.example", "10.0.0.2", "10.0.0.3"}, [&](const BlackListTarget& target) {
            tried.push_back(target.endpoints.localPort);
            return target.endpoints.localPort == 4 ? CloseOutcome::Kept : CloseOutcome::Closed;
        });
    EXPECT_EQ(tried, (std::vector<uint32_t>{2, 3, 4, 5})) << "closed neighbours are not tried again";
    ASSERT_EQ(closed.size(), 3u);
    EXPECT_EQ(closed[1].localPort, 3u);
    ASSERT_EQ(snapshot.size(), 2u);
    EXPECT_EQ(snapshot[0].endpoints.localPort, 1u);
    EXPECT_EQ(snapshot[1].endpoints.localPort, 4u) << "a failed close keeps the connection";

    snapshot = {Connection("10.0.0.1", "", 1), Connection("10.0.0.1", "", 2), Connection("10.0.0.9", "", 3)};
    int calls = 0;
    RunBlackListPass(snapshot, {"10.0.0.1", "10.0.0.9"},
                     [&](const BlackListTarget&) { return ++calls == 1 ? CloseOutcome::Closed : CloseOutcome::Stop; });
    EXPECT_EQ(calls, 2) << "a stop ends the pass";
    ASSERT_EQ(snapshot.size(), 2u);
    EXPECT_EQ(snapshot[1].endpoints.localPort, 3u);
}

} // namespace
