// Moving a black list between memory and its file, over a small file-system interface (Win32 in the
// program, real files with injectable failures in the native tests).
//
// Two rules keep the user's list safe:
// - A save never loses the list: the text goes to a temporary file beside the real one, every write and
//   the close are checked, and only then does the temporary file replace blacklist.xml. On any failure
//   the temporary file is deleted and the old file stays as it was.
// - A file that exists but could not be read is never overwritten by a save of the holder that failed to
//   read it: what the holder has in memory is then not the file's content plus its own changes, and
//   saving it would throw away whatever the file holds. Such a save is refused until a later read
//   succeeds, or until the user chooses to replace the file (Overwrite).
// A store without a file path (the application-data folder is unknown) reads and writes nothing.
#pragma once

#include "blacklist/BlackListFile.h"

#include <memory>
#include <string>

class BlackListFileSystem {
public:
    enum class ReadResult { Read, Missing, Unreadable };

    class OutputFile {
    public:
        virtual ~OutputFile() = default;
        virtual bool Write(const char* data, size_t size) = 0; // false: not all bytes were written
        // Asks for the data on the medium before the file takes the old one's place. Not counted: some
        // targets (some network shares) cannot be flushed, and what a write handed over is kept anyway.
        virtual bool Flush() = 0;
        virtual bool Close() = 0; // false: the data may not be on disk
    };

    virtual ~BlackListFileSystem() = default;
    // Missing: neither the file nor its folder exists. Unreadable: anything else that failed.
    virtual ReadResult ReadWhole(const std::string& path, std::string& bytes) = 0;
    // Creates the folder (one level) when it does not exist; the outcome shows when the file is created.
    virtual void CreateFolderIfMissing(const std::string& folder) = 0;
    // Creates or empties the file for writing; null when it cannot be opened.
    virtual std::unique_ptr<OutputFile> CreateNew(const std::string& path) = 0;
    // Puts `from` in the place of `to` (replacing it, or creating it when missing) in one step.
    virtual bool Replace(const std::string& from, const std::string& to) = 0;
    virtual void Remove(const std::string& path) = 0;
};

// One holder's view of the file: the main window has one, the dialog its own.
class BlackListStore {
public:
    enum class SaveResult {
        Saved,
        Failed,  // the file could not be written (or there is no file path): it is as it was
        Refused, // the last load could not read the file, or nothing was loaded yet: nothing was tried
    };

    // `folder` is created by a save when it is missing; `filePath` lies inside it. Both empty: no file.
    BlackListStore(BlackListFileSystem& files, std::string folder, std::string filePath);

    // Replaces `list` with the file's entries when the file was read; otherwise `list` is left as it is.
    // Without a file path nothing is read and the result is Missing.
    BlackListFileSystem::ReadResult Load(BlackList& list);

    // Writes `list` to the file, unless the holder has not read what the file holds.
    SaveResult Save(const BlackList& list);
    // Writes `list` in the file's place even when the last load could not read it: the user chose to give
    // up what the file holds. The same checked writes as Save; false when the file was left as it was.
    bool Overwrite(const BlackList& list);

    const std::string& FilePath() const { return filePath; }

private:
    bool Write(const BlackList& list);

    BlackListFileSystem& files;
    std::string folder;
    std::string filePath;
    // True once a load read the file or found it missing, or a write replaced it; false again after a load
    // that could not read it.
    bool mayOverwrite = false;
};
