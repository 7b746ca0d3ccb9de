// The append and save rules over TextFile.
#include "log/TextFile.h"

TextFile::~TextFile() = default;

bool AppendToLog(TextFile& file, const std::string& path, const std::string& text) {
    if (path.empty() || path.size() >= kMaxPathChars)
        return false;
    uint64_t oldLength = 0;
    if (!file.OpenOrCreate(path, oldLength))
        return false;
    if (!file.Write(text.data(), text.size())) {
        file.Truncate(oldLength);
        file.Close();
        return false;
    }
    // Not counted (see TextFile::Flush): a target that cannot be flushed would keep every line queued.
    file.Flush();
    if (!file.Close()) {
        // The bytes may or may not have reached the file: open it again and cut them off, so the
        // queue kept for the next flush is not written twice.
        uint64_t length = 0;
        if (file.OpenOrCreate(path, length)) {
            if (length > oldLength)
                file.Truncate(oldLength);
            file.Close();
        }
        return false;
    }
    return true;
}

bool SaveText(TextFile& file, const std::string& path, const std::string& text) {
    if (path.empty() || path.size() >= kMaxPathChars)
        return false;
    if (!file.CreateEmpty(path))
        return false;
    const bool written = file.Write(text.data(), text.size());
    if (written)
        file.Flush(); // not counted (see TextFile::Flush)
    const bool closed = file.Close();
    if (written && closed)
        return true;
    file.Remove(path);
    return false;
}
