// The black-list file on the real file system, and the store of the data folder's blacklist.xml that the
// main window and the dialog each hold.
#pragma once

#include "blacklist/BlackListStore.h"

class Win32BlackListFiles : public BlackListFileSystem {
public:
    ReadResult ReadWhole(const std::string& path, std::string& bytes) override;
    void CreateFolderIfMissing(const std::string& folder) override;
    std::unique_ptr<OutputFile> CreateNew(const std::string& path) override;
    bool Replace(const std::string& from, const std::string& to) override;
    void Remove(const std::string& path) override;
};

// blacklist.xml in the data folder (the folder is created by a save only); no file at all when the
// application-data folder is unknown.
class DataFolderBlackList {
public:
    DataFolderBlackList();
    DataFolderBlackList(const DataFolderBlackList&) = delete;
    DataFolderBlackList& operator=(const DataFolderBlackList&) = delete;

    BlackListFileSystem::ReadResult Load(BlackList& list) { return store.Load(list); }
    BlackListStore::SaveResult Save(const BlackList& list) { return store.Save(list); }
    bool Overwrite(const BlackList& list) { return store.Overwrite(list); }
    const std::string& FilePath() const { return store.FilePath(); }

private:
    Win32BlackListFiles files;
    BlackListStore store;
};
