// The log append and the export save over a file that fails on demand: nothing half-written stays.
#include "log/TextFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>

namespace {

// Files in memory. A write takes at most writeBudget bytes (a full disk keeps part of a write);
// failFlush makes every flush fail (a device cannot be flushed); failClose makes the next close report a
// failure after the bytes are in.
class FailingFile : public TextFile {
public:
    std::map<std::string, std::string> files;
    bool failOpen = false;
    size_t writeBudget = std::string::npos;
    bool failFlush = false;
    bool failClose = false;
    bool open = false;
    int opens = 0;

    bool OpenOrCreate(const std::string& path, uint64_t& length) override {
        ++opens;
        if (failOpen || open)
            return false;
        open = true;
        current = path;
        length = files[path].size();
        return true;
    }
    bool CreateEmpty(const std::string& path) override {
        ++opens;
        if (failOpen || open)
            return false;
        open = true;
        current = path;
        files[path].clear();
        return true;
    }
    bool Write(const char* data, size_t size) override {
        const size_t taken = std::min(size, writeBudget);
        files[current].append(data, taken);
        if (writeBudget != std::string::npos)
            writeBudget -= taken;
        return open && taken == size;
    }
    bool Truncate(uint64_t length) override {
        if (!open || length > files[current].size())
            return false;
        files[current].resize(length);
        return true;
    }
    bool Flush() override { return open && !failFlush; }
    bool Close() override {
        const bool wasOpen = open;
        open = false;
        if (failClose) {
            failClose = false;
            return false;
        }
        return wasOpen;
    }
    bool Remove(const std::string& path) override { return files.erase(path) == 1; }

private:
    std::string current;
};

const std::string kPath = "C:\\logs\\LogEvents.txt";
const std::string kLines = "05 Dec 22:24 \t127.0.0.1 1025 127.0.0.1 1026 \r\n";

} // namespace

TEST(LogAppend, OutcomesOfOneFlush) {
    struct Case {
        const char* name;
        bool failOpen;
        size_t writeBudget;
        bool failClose;
        bool expectedResult;
        std::string expectedContent;
    };
    const Case cases[] = {
        {"appends after a last line without line break", false, std::string::npos, false, true, "old" + kLines},
        {"open fails", true, std::string::npos, false, false, "old"},
        {"write stops part way", false, 10, false, false, "old"},
        {"write takes nothing", false, 0, false, false, "old"},
        {"close fails", false, std::string::npos, true, false, "old"},
    };
    for (const Case& c : cases) {
        FailingFile file;
        file.files[kPath] = "old";
        file.failOpen = c.failOpen;
        file.writeBudget = c.writeBudget;
        file.failClose = c.failClose;
        EXPECT_EQ(AppendToLog(file, kPath, kLines), c.expectedResult) << c.name;
        EXPECT_EQ(file.files[kPath], c.expectedContent) << c.name;
        EXPECT_FALSE(file.open) << c.name << ": left open";
    }
}

// The system took the bytes; a target that cannot be flushed (a device, some network shares) must not
// keep the lines queued for ever, nor make every export fail.
TEST(LogAppend, ATargetThatCannotBeFlushedStillTakesTheLinesAndTheExport) {
    FailingFile file;
    file.failFlush = true;
    file.files[kPath] = "old";
    EXPECT_TRUE(AppendToLog(file, kPath, kLines));
    EXPECT_EQ(file.files[kPath], "old" + kLines);
    EXPECT_TRUE(SaveText(file, kPath, "a \tb\r\n"));
    EXPECT_EQ(file.files[kPath], "a \tb\r\n");
}

TEST(LogAppend, RetryAfterAFailureWritesTheLinesOnce) {
    FailingFile file;
    file.writeBudget = 5;
    EXPECT_FALSE(AppendToLog(file, kPath, kLines));
    file.writeBudget = std::string::npos;
    EXPECT_TRUE(AppendToLog(file, kPath, kLines));
    EXPECT_EQ(file.files[kPath], kLines);
}

TEST(LogAppend, MissingFileIsCreatedEvenWithoutLines) {
    FailingFile file;
    EXPECT_TRUE(AppendToLog(file, kPath, ""));
    ASSERT_EQ(file.files.count(kPath), 1u);
    EXPECT_EQ(file.files[kPath], "");
}

TEST(LogAppend, PathsOf260CharactersAreNotOpened) {
    FailingFile file;
    const std::string longest = "C:\\" + std::string(kMaxPathChars - 4, 'a');
    EXPECT_TRUE(AppendToLog(file, longest, kLines));
    EXPECT_FALSE(AppendToLog(file, longest + "b", kLines));
    EXPECT_FALSE(AppendToLog(file, "", kLines));
    EXPECT_EQ(file.opens, 1);
}

TEST(ExportSave, OutcomesOfOneSave) {
    struct Case {
        const char* name;
        bool failOpen;
        size_t writeBudget;
        bool failClose;
        bool expectedResult;
        bool expectFile;
        std::string expectedContent;
    };
    const Case cases[] = {
        {"replaces an existing file", false, std::string::npos, false, true, true, "a \tb\r\n"},
        {"create fails: the old file is not touched", true, std::string::npos, false, false, true, "previous"},
        {"write stops part way: no partial file", false, 3, false, false, false, ""},
        {"close fails: no partial file", false, std::string::npos, true, false, false, ""},
    };
    for (const Case& c : cases) {
        FailingFile file;
        file.files[kPath] = "previous";
        file.failOpen = c.failOpen;
        file.writeBudget = c.writeBudget;
        file.failClose = c.failClose;
        EXPECT_EQ(SaveText(file, kPath, "a \tb\r\n"), c.expectedResult) << c.name;
        EXPECT_EQ(file.files.count(kPath) == 1, c.expectFile) << c.name;
        if (c.expectFile) {
            EXPECT_EQ(file.files[kPath], c.expectedContent) << c.name;
        }
        EXPECT_FALSE(file.open) << c.name << ": left open";
    }
}

TEST(ExportSave, EmptyListGivesAnEmptyFile) {
    FailingFile file;
    file.files[kPath] = "previous";
    EXPECT_TRUE(SaveText(file, kPath, ""));
    EXPECT_EQ(file.files[kPath], "");
}
