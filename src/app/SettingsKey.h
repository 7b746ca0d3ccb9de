// The per-user settings key HKCU\SOFTWARE\Quintaro\Pelloran and the data folder.
//
// Key access: readers open the key with all-access rights and do nothing when it cannot be opened;
// writers open it the same way and create it when that fails. No failure is reported.
#pragma once

#include "framework/Afx.h"

#include <string>

class SettingsKey {
public:
    // Opens the key for reading; IsOpen() is false when it does not exist.
    static SettingsKey Open();
    // Opens the key, creating it when it cannot be opened.
    static SettingsKey OpenOrCreate();

    SettingsKey(SettingsKey&& other) noexcept : key(other.key) { other.key = nullptr; }
    SettingsKey(const SettingsKey&) = delete;
    SettingsKey& operator=(const SettingsKey&) = delete;
    ~SettingsKey();

    bool IsOpen() const { return key != nullptr; }
    // One DWORD value: a 4-byte buffer zeroed before the read, the stored type not checked, shorter
    // data zero-extended; missing or longer data leaves `value` unchanged and returns false.
    bool ReadDword(const char* name, DWORD& value) const;
    bool ReadInt(const char* name, int& value) const;
    // A text value into a buffer of `size` bytes; only a text stored with its NUL that fits is taken.
    bool ReadString(const char* name, std::string& value, DWORD size) const;
    void WriteDword(const char* name, DWORD value) const;
    void WriteString(const char* name, const std::string& value) const;

private:
    explicit SettingsKey(HKEY opened) : key(opened) {}
    HKEY key = nullptr;
};

// The user's roaming application-data folder; empty when it cannot be determined.
std::string AppDataFolder();
// The data folder: application-data folder + "\Pelloran". It and the two paths below are empty when the
// application-data folder cannot be determined (settings::DataFolderPath).
std::string DataFolder();
std::string DefaultLogFilePath();
std::string BlackListFilePath();
// Creates the data folder (one level) when its attributes cannot be read; nothing without a data folder.
void EnsureDataFolder();
// The stored LogFile path, read into the 260-byte path buffer; false when it is missing or does not fit
// with its NUL (the default path stays). The settings reload and the Process Options dialog share it.
bool ReadLogFile(const SettingsKey& key, std::string& path);
