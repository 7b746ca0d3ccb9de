// Registry access for the settings key and the data-folder paths.
#include "SettingsKey.h"
#include "SettingsRules.h"

#include <shlobj.h>

namespace {
const char kSettingsPath[] = "SOFTWARE\\Quintaro\\Pelloran";
}

SettingsKey SettingsKey::Open() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsPath, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        key = nullptr;
    return SettingsKey(key);
}

SettingsKey SettingsKey::OpenOrCreate() {
    SettingsKey opened = Open();
    if (opened.IsOpen())
        return opened;
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsPath, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
        key = nullptr;
    return SettingsKey(key);
}

SettingsKey::~SettingsKey() {
    if (key != nullptr)
        RegCloseKey(key);
}

bool SettingsKey::ReadDword(const char* name, DWORD& value) const {
    if (key == nullptr)
        return false;
    DWORD buffer = 0;
    DWORD size = sizeof(buffer);
    if (RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&buffer), &size) != ERROR_SUCCESS)
        return false;
    value = buffer;
    return true;
}

bool SettingsKey::ReadInt(const char* name, int& value) const {
    DWORD read = 0;
    if (!ReadDword(name, read))
        return false;
    value = static_cast<int>(read);
    return true;
}

bool SettingsKey::ReadString(const char* name, std::string& value, DWORD size) const {
    if (key == nullptr || size == 0)
        return false;
    std::string buffer(size, '\0');
    DWORD read = size;
    if (RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer.data()), &read) != ERROR_SUCCESS)
        return false;
    // Only a text stored with its terminating NUL counts: the system appends a NUL to a text stored
    // without one when the buffer has room, but does not count it, so the last byte read tells.
    if (read == 0 || read > size || buffer[read - 1] != '\0')
        return false;
    size_t length = buffer.find('\0');
    buffer.resize(length);
    value = buffer;
    return true;
}

void SettingsKey::WriteDword(const char* name, DWORD value) const {
    if (key != nullptr)
        RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
}

void SettingsKey::WriteString(const char* name, const std::string& value) const {
    if (key != nullptr)
        RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>(value.size() + 1));
}

std::string AppDataFolder() {
    char path[MAX_PATH] = "";
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path)))
        path[0] = '\0';
    return path;
}

std::string DataFolder() { return settings::DataFolderPath(AppDataFolder()); }

std::string DefaultLogFilePath() { return settings::DataFilePath(AppDataFolder(), "LogEvents.txt"); }

std::string BlackListFilePath() { return settings::DataFilePath(AppDataFolder(), "blacklist.xml"); }

void EnsureDataFolder() {
    const std::string folder = DataFolder();
    if (!folder.empty() && GetFileAttributesA(folder.c_str()) == INVALID_FILE_ATTRIBUTES)
        CreateDirectoryA(folder.c_str(), nullptr);
}

bool ReadLogFile(const SettingsKey& key, std::string& path) {
    std::string stored;
    if (!key.ReadString("LogFile", stored, settings::kPathBufferSize) ||
        !settings::LogFileLengthAccepted(stored.size()))
        return false;
    path = stored;
    return true;
}
