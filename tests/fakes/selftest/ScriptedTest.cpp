// The fixture shared by the DLL tests (see ScriptedTest.h).
#include "ScriptedTest.h"

#include <cstring>
#include <ostream>

namespace fakes {

void PrintTo(const Row& row, std::ostream* out) {
    *out << "{state " << row.state << ", local 0x" << std::hex << row.localAddr << ":0x" << row.localPort
         << ", remote 0x" << row.remoteAddr << ":0x" << row.remotePort << std::dec << ", pid " << row.pid << "}";
}

Row MakeRow(uint32_t state, const char* localAddr, uint16_t localPort, const char* remoteAddr, uint16_t remotePort,
            uint32_t pid) {
    return {state, inet_addr(localAddr), htons(localPort), inet_addr(remoteAddr), htons(remotePort), pid};
}

void ScriptedTest::SetUp() {
    dll = &LoadedFakeDll();
    ASSERT_NE(dll->module, nullptr) << "cannot load the DLL under test";
    ASSERT_TRUE(SamePath(dll->loadedFrom, FakeDllPath()))
        << "iphlpapi.dll came from " << std::string(dll->loadedFrom.begin(), dll->loadedFrom.end())
        << "; under Wine run with WINEDLLOVERRIDES=iphlpapi=n,b";
    ASSERT_NE(dll->getTcpTable, nullptr);
    ASSERT_NE(dll->getExtendedTcpTable, nullptr);
    ASSERT_NE(dll->setTcpEntry, nullptr);
    ASSERT_NE(dll->getTcpStatistics, nullptr);
    directory = NewTemporaryDirectory();
    ASSERT_FALSE(directory.empty());
    scriptPath = directory + L"\\script.txt";
    logPath = directory + L"\\calls.log";
    SetEnvironmentVariableW(L"PELLORAN_FAKE_IPHLPAPI", scriptPath.c_str());
    SetEnvironmentVariableW(L"PELLORAN_FAKE_IPHLPAPI_LOG", logPath.c_str());
}

void ScriptedTest::TearDown() {
    SetEnvironmentVariableW(L"PELLORAN_FAKE_IPHLPAPI", nullptr);
    SetEnvironmentVariableW(L"PELLORAN_FAKE_IPHLPAPI_LOG", nullptr);
    RemoveDirectoryTree(directory);
}

void ScriptedTest::WriteScript(std::string_view text) {
    ASSERT_TRUE(WriteFileAtomically(scriptPath, text));
}

std::vector<std::string> ScriptedTest::LogLines() const {
    std::vector<std::string> lines;
    std::string text = ReadTextFile(logPath);
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string line = text.substr(pos, end - pos);
        size_t space = line.find(' ');
        lines.push_back(space == std::string::npos ? line : line.substr(space + 1));
        pos = end + 1;
    }
    return lines;
}

std::vector<std::string> ScriptedTest::LogLinesOf(std::string_view function) const {
    std::vector<std::string> lines;
    for (const std::string& line : LogLines()) {
        if (line.compare(0, function.size() + 1, std::string(function) + " ") == 0) {
            lines.push_back(line);
        }
    }
    return lines;
}

CallResult ScriptedTest::CallLegacy(DWORD bufferSize, bool withBuffer, BOOL sort) {
    CallResult result;
    result.buffer.assign(bufferSize, 0xAB);
    result.size = bufferSize;
    ULONG size = bufferSize;
    result.status =
        dll->getTcpTable(withBuffer ? reinterpret_cast<PMIB_TCPTABLE>(result.buffer.data()) : nullptr, &size, sort);
    result.size = size;
    return result;
}

CallResult ScriptedTest::CallExtended(DWORD bufferSize, bool withBuffer, BOOL sort, ULONG af, ULONG tableClass,
                                      ULONG reserved) {
    CallResult result;
    result.buffer.assign(bufferSize, 0xAB);
    DWORD size = bufferSize;
    result.status = dll->getExtendedTcpTable(withBuffer ? result.buffer.data() : nullptr, &size, sort, af,
                                             static_cast<TCP_TABLE_CLASS>(tableClass), reserved);
    result.size = size;
    return result;
}

std::vector<Row> ScriptedTest::ReadLegacy(BOOL sort) {
    CallResult sizing = CallLegacy(0, false, sort);
    EXPECT_EQ(sizing.status, 122u);
    CallResult read = CallLegacy(sizing.size, true, sort);
    EXPECT_EQ(read.status, 0u);
    return read.status == 0 ? Decode(read, 5) : std::vector<Row>{};
}

std::vector<Row> ScriptedTest::ReadExtended(BOOL sort, ULONG tableClass) {
    CallResult sizing = CallExtended(0, false, sort, AF_INET, tableClass);
    EXPECT_EQ(sizing.status, 122u);
    CallResult read = CallExtended(sizing.size, true, sort, AF_INET, tableClass);
    EXPECT_EQ(read.status, 0u);
    return read.status == 0 ? Decode(read, tableClass >= 3 ? 6 : 5) : std::vector<Row>{};
}

std::vector<Row> ScriptedTest::Decode(const CallResult& result, size_t rowFields) {
    std::vector<Row> rows;
    uint32_t count = 0;
    if (result.buffer.size() < sizeof count) {
        ADD_FAILURE() << "buffer too small for the row count";
        return rows;
    }
    std::memcpy(&count, result.buffer.data(), sizeof count);
    size_t rowBytes = rowFields * sizeof(uint32_t);
    if (result.buffer.size() < sizeof count + count * rowBytes) {
        ADD_FAILURE() << "row count " << count << " does not fit the " << result.buffer.size() << "-byte buffer";
        return rows;
    }
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t fields[6] = {};
        std::memcpy(fields, result.buffer.data() + sizeof count + i * rowBytes, rowBytes);
        rows.push_back({fields[0], fields[1], fields[2], fields[3], fields[4], fields[5]});
    }
    return rows;
}

} // namespace fakes
