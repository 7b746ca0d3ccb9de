// Loading and saving the black list without ever losing the file's content.
#include "blacklist/BlackListStore.h"

BlackListStore::BlackListStore(BlackListFileSystem& files, std::string folder, std::string filePath)
    : files(files), folder(std::move(folder)), filePath(std::move(filePath)) {}

BlackListFileSystem::ReadResult BlackListStore::Load(BlackList& list) {
    std::string bytes;
    const auto result = files.ReadWhole(filePath, bytes);
    mayOverwrite = result != BlackListFileSystem::ReadResult::Unreadable;
    if (result == BlackListFileSystem::ReadResult::Read)
        list = ParseBlackList(bytes);
    return result;
}

bool BlackListStore::Save(const BlackList& list) {
    if (!mayOverwrite)
        return false;
    files.CreateFolderIfMissing(folder);
    const std::string temporary = filePath + ".tmp";
    const std::string text = FormatBlackList(list);
    bool written = false;
    if (auto out = files.CreateNew(temporary)) {
        written = out->Write(text.data(), text.size());
        // The close is checked even after a failed write: the file must be closed before it is deleted.
        written = out->Close() && written;
        if (written && files.Replace(temporary, filePath))
            return true;
    }
    files.Remove(temporary);
    return false;
}
