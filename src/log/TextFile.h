// The two file writes of this subsystem over a small file interface: appending one flush to the event
// log without ever losing or half-writing it, and writing the exported list without leaving a partial
// file. Win32TextFile is the real file; tests put a file that fails on demand in its place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class TextFile {
public:
    virtual ~TextFile();
    // Opens the file for writing, creating it when missing and keeping what it holds, in one call (a
    // check followed by a create would truncate a file that appears in between). On success `length`
    // is the file's length and writes go to its end.
    virtual bool OpenOrCreate(const std::string& path, uint64_t& length) = 0;
    // Creates the file, or empties it when it exists.
    virtual bool CreateEmpty(const std::string& path) = 0;
    // Writes all bytes at the current position; false when not all of them were written.
    virtual bool Write(const char* data, size_t size) = 0;
    // Cuts the open file back to `length` bytes.
    virtual bool Truncate(uint64_t length) = 0;
    // Asks the system to write what it holds of the file to the medium. Only a failed write or close counts
    // as a failure: some targets (devices, some network shares) cannot be flushed at all, and what the
    // system took from a write is the file's either way.
    virtual bool Flush() = 0;
    // Closes the file; the handle is released even when closing reports a failure.
    virtual bool Close() = 0;
    virtual bool Remove(const std::string& path) = 0;
};

// Paths of this many characters or more are not opened: the system's limit for a plain path.
constexpr size_t kMaxPathChars = 260;

// Appends `text` to the log at `path`. True when it is written and closed: the caller may then empty
// its queue. False when the file could not be opened, or a write or the close failed; in the latter
// case the file has been cut back to its length before this call, so a later retry writes the same
// lines once. An empty text still opens (and creates) the file.
bool AppendToLog(TextFile& file, const std::string& path, const std::string& text);

// Writes `text` as the whole content of the file at `path` (replacing it). False when the file could
// not be created, written or closed; a file that was created is then removed, so no partial copy stays.
bool SaveText(TextFile& file, const std::string& path, const std::string& text);
