// The call log of the test IP helper DLL: one line per call with its time stamp, arguments, result and sizes,
// written where the script or the environment says, and never in the way of the call itself.
#include "ScriptedTest.h"

#include <cstdlib>

namespace fakes {
namespace {

class CallLog : public ScriptedTest {};

TEST_F(CallLog, SizingAndReadOfTheLegacyTable) {
    WriteScript("row 5 1.2.3.4 80 5.6.7.8 443\nrow 5 1.2.3.4 81 5.6.7.8 443\n");
    ReadLegacy();
    EXPECT_EQ(LogLines(), (std::vector<std::string>{"ScriptLoaded exists=1 rows=2 skipped=0",
                                                    "GetTcpTable buffer=0 in=0 sort=1 result=122 out=44 rows=2",
                                                    "GetTcpTable buffer=1 in=44 sort=1 result=0 out=44 rows=2"}));
}

TEST_F(CallLog, ExtendedCallsShowFamilyClassAndReserved) {
    WriteScript("row 5 1.2.3.4 80 5.6.7.8 443\n");
    CallExtended(0, false, FALSE, 23, 4, 0);
    CallExtended(0, false, TRUE);
    EXPECT_EQ(LogLinesOf("GetExtendedTcpTable"),
              (std::vector<std::string>{
                  "GetExtendedTcpTable buffer=0 in=0 sort=0 af=23 class=4 reserved=0 result=87 out=0 rows=0",
                  "GetExtendedTcpTable buffer=0 in=0 sort=1 af=2 class=5 reserved=0 result=122 out=28 rows=1"}));
}

TEST_F(CallLog, MissingSizePointerIsLoggedAsNull) {
    WriteScript("");
    dll->getTcpTable(nullptr, nullptr, TRUE);
    EXPECT_EQ(LogLinesOf("GetTcpTable"),
              (std::vector<std::string>{"GetTcpTable buffer=0 in=null sort=1 result=87 out=null rows=0"}));
}

TEST_F(CallLog, MissingScriptIsLoggedWhenNoticed) {
    CallLegacy(0, false);
    EXPECT_EQ(LogLines().front(), "ScriptLoaded exists=0 rows=0 skipped=0");
}

TEST_F(CallLog, TimeStampsAreMillisecondsInCallOrder) {
    WriteScript("row 5 1.2.3.4 80 5.6.7.8 443\n");
    ULONGLONG before = GetTickCount64();
    for (int i = 0; i < 20; ++i) {
        CallLegacy(0, false);
    }
    ULONGLONG after = GetTickCount64();
    std::string text = ReadTextFile(logPath);
    unsigned long long previous = 0;
    size_t lines = 0;
    for (size_t pos = 0; pos < text.size(); pos = text.find('\n', pos) + 1) {
        char* end = nullptr;
        unsigned long long stamp = std::strtoull(text.c_str() + pos, &end, 10);
        ASSERT_EQ(*end, ' ') << "line " << lines << " has no time stamp";
        EXPECT_GE(stamp, before);
        EXPECT_LE(stamp, after);
        EXPECT_GE(stamp, previous);
        previous = stamp;
        ++lines;
    }
    EXPECT_EQ(lines, 21u);
}

TEST_F(CallLog, ScriptLogDirectiveWinsOverTheVariable) {
    std::wstring scriptLog = directory + L"\\script log.txt";
    std::string narrow(scriptLog.begin(), scriptLog.end());
    WriteScript("row 5 1.2.3.4 80 5.6.7.8 443\nlog " + narrow + "\n");
    CallLegacy(0, false);
    EXPECT_TRUE(LogLines().empty());
    std::string text = ReadTextFile(scriptLog);
    EXPECT_NE(text.find(" ScriptLoaded exists=1 rows=1 skipped=0\n"), std::string::npos);
    EXPECT_NE(text.find(" GetTcpTable buffer=0 in=0 sort=1 result=122 out=24 rows=1\n"), std::string::npos);
}

TEST_F(CallLog, UnwritableLogDoesNotDisturbTheCalls) {
    std::wstring unwritable = directory + L"\\no such folder\\calls.log";
    SetEnvironmentVariableW(L"PELLORAN_FAKE_IPHLPAPI_LOG", unwritable.c_str());
    WriteScript("row 5 1.2.3.4 80 5.6.7.8 443\n");
    EXPECT_EQ(ReadLegacy().size(), 1u);
    EXPECT_EQ(GetFileAttributesW(unwritable.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(CallLog, LogMayBeDeletedBetweenCalls) {
    WriteScript("row 5 1.2.3.4 80 5.6.7.8 443\n");
    CallLegacy(0, false);
    ASSERT_TRUE(DeleteFileW(logPath.c_str()));
    CallLegacy(24, true);
    EXPECT_EQ(LogLines(), (std::vector<std::string>{"GetTcpTable buffer=1 in=24 sort=1 result=0 out=24 rows=1"}));
}

} // namespace
} // namespace fakes
