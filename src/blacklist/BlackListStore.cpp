// Loading and saving the black list without ever losing the file's content.
#include "blacklist/BlackListStore.h"

BlackListStore::BlackListStore(BlackListFileSystem& files, std::string folder, std::string filePath)
    : files(files), folder(std::move(folder)), filePath(std::move(filePath)) {}

BlackListFileSystem::ReadResult BlackListStore::Load(BlackList& list) {
    if (filePath.empty())
        return BlackListFileSystem::ReadResult::Missing;
    std::string bytes;
    const auto result = files.ReadWhole(filePath, bytes);
    mayOverwrite = result != BlackListFileSystem::ReadResult::Unreadable;
    if (result == BlackListFileSystem::ReadResult::Read)
        list = ParseBlackList(bytes);
    return result;
}

BlackListStore::SaveResult BlackListStore::Save(const BlackList& list) {
    if (filePath.empty())
        return SaveResult::Failed;
    if (!mayOverwrite)
        return SaveResult::Refused;
    return Write(list) ? SaveResult::Saved : SaveResult::Failed;
}

bool BlackListStore::Overwrite(const BlackList& list) {
    if (filePath.empty() || !Write(list))
        return false;
    // The file now holds this holder's list.
    mayOverwrite = true;
    return true;
}

bool BlackListStore::Write(const BlackList& list) {
    files.CreateFolderIfMissing(folder);
    const std::string temporary = filePath + ".tmp";
    const std::string text = FormatBlackList(list);
    if (auto out = files.CreateNew(temporary)) {
        bool written = out->Write(text.data(), text.size());
        if (written)
            out->Flush(); // not counted (see OutputFile::Flush)
        // The close is checked even after a failed write: the file must be closed before it is deleted.
        written = out->Close() && written;
        if (written && files.Replace(temporary, filePath))
            return true;
    }
    files.Remove(temporary);
    return false;
}
