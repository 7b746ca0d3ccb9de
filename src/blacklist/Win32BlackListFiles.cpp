// Win32 file access behind the black-list store; the writes go through the log's Win32TextFile.
#include "blacklist/Win32BlackListFiles.h"

#include "app/SettingsKey.h"
#include "log/Win32TextFile.h"

namespace {

class TextFileOutput : public BlackListFileSystem::OutputFile {
public:
    bool Open(const std::string& path) { return file.CreateEmpty(path); }
    bool Write(const char* data, size_t size) override { return file.Write(data, size); }
    bool Flush() override { return file.Flush(); }
    bool Close() override { return file.Close(); }

private:
    Win32TextFile file;
};

} // namespace

BlackListFileSystem::ReadResult Win32BlackListFiles::ReadWhole(const std::string& path, std::string& bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? ReadResult::Missing
                                                                              : ReadResult::Unreadable;
    }
    std::string text;
    bool failed = false;
    char buffer[16384];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file, buffer, sizeof buffer, &got, nullptr)) {
            failed = true;
            break;
        }
        if (got == 0)
            break;
        text.append(buffer, got);
    }
    CloseHandle(file);
    if (failed)
        return ReadResult::Unreadable;
    bytes = std::move(text);
    return ReadResult::Read;
}

void Win32BlackListFiles::CreateFolderIfMissing(const std::string& folder) {
    if (GetFileAttributesA(folder.c_str()) == INVALID_FILE_ATTRIBUTES)
        CreateDirectoryA(folder.c_str(), nullptr);
}

std::unique_ptr<BlackListFileSystem::OutputFile> Win32BlackListFiles::CreateNew(const std::string& path) {
    auto output = std::make_unique<TextFileOutput>();
    if (!output->Open(path))
        return nullptr;
    return output;
}

bool Win32BlackListFiles::Replace(const std::string& from, const std::string& to) {
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

void Win32BlackListFiles::Remove(const std::string& path) { DeleteFileA(path.c_str()); }

DataFolderBlackList::DataFolderBlackList() : store(files, DataFolder(), BlackListFilePath()) {}
