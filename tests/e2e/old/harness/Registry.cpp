// Registry and data-folder helpers of the end-to-end harness.
#include "Registry.h"
#include "Wait.h"

#include <shlobj.h>

#include <filesystem>
#include <system_error>

namespace e2e {

namespace {

class Key {
public:
    Key(HKEY root, const std::string& path, bool create) {
        LSTATUS status;
        if (create)
            status = RegCreateKeyExA(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                                     &key, nullptr);
        else
            status = RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key);
        if (status != ERROR_SUCCESS) {
            key = nullptr;
            if (create)
                FailWithCode("cannot create registry key " + path, status);
        }
    }
    ~Key() {
        if (key)
            RegCloseKey(key);
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;

    explicit operator bool() const { return key != nullptr; }
    HKEY Handle() const { return key; }

private:
    HKEY key = nullptr;
};

void Write(HKEY root, const std::string& key, const std::string& name, DWORD type, const void* data, DWORD size) {
    Key handle(root, key, true);
    const LSTATUS status = RegSetValueExA(handle.Handle(), name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
    if (status != ERROR_SUCCESS)
        FailWithCode("cannot write registry value " + key + "\\" + name, status);
}

struct RawValue {
    DWORD type = 0;
    std::vector<BYTE> data;
};

std::optional<RawValue> Read(HKEY root, const std::string& key, const std::string& name) {
    Key handle(root, key, false);
    if (!handle)
        return std::nullopt;
    RawValue value;
    DWORD size = 0;
    if (RegQueryValueExA(handle.Handle(), name.c_str(), nullptr, &value.type, nullptr, &size) != ERROR_SUCCESS)
        return std::nullopt;
    value.data.resize(size);
    if (RegQueryValueExA(handle.Handle(), name.c_str(), nullptr, &value.type, value.data.data(), &size) !=
        ERROR_SUCCESS)
        return std::nullopt;
    value.data.resize(size);
    return value;
}

std::string AppDefaultsKey(const std::string& programFile) { return "Software\\Wine\\AppDefaults\\" + programFile; }

} // namespace

void WriteDword(const std::string& key, const std::string& name, DWORD value, HKEY root) {
    Write(root, key, name, REG_DWORD, &value, sizeof value);
}

void WriteBinary(const std::string& key, const std::string& name, const std::vector<BYTE>& data, HKEY root) {
    Write(root, key, name, REG_BINARY, data.data(), static_cast<DWORD>(data.size()));
}

void WriteString(const std::string& key, const std::string& name, const std::string& value, HKEY root) {
    Write(root, key, name, REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

std::optional<DWORD> ReadDword(const std::string& key, const std::string& name, HKEY root) {
    const auto raw = Read(root, key, name);
    if (!raw || raw->data.size() != sizeof(DWORD))
        return std::nullopt;
    DWORD value;
    CopyMemory(&value, raw->data.data(), sizeof value);
    return value;
}

std::optional<std::string> ReadString(const std::string& key, const std::string& name, HKEY root) {
    const auto raw = Read(root, key, name);
    if (!raw || (raw->type != REG_SZ && raw->type != REG_EXPAND_SZ))
        return std::nullopt;
    std::string text(raw->data.begin(), raw->data.end());
    if (const auto end = text.find('\0'); end != std::string::npos)
        text.resize(end);
    return text;
}

std::optional<std::vector<BYTE>> ReadBinary(const std::string& key, const std::string& name, HKEY root) {
    const auto raw = Read(root, key, name);
    if (!raw)
        return std::nullopt;
    return raw->data;
}

std::optional<DWORD> ValueType(const std::string& key, const std::string& name, HKEY root) {
    const auto raw = Read(root, key, name);
    if (!raw)
        return std::nullopt;
    return raw->type;
}

bool ValueExists(const std::string& key, const std::string& name, HKEY root) {
    return Read(root, key, name).has_value();
}

bool KeyExists(const std::string& key, HKEY root) { return static_cast<bool>(Key(root, key, false)); }

void DeleteValue(const std::string& key, const std::string& name, HKEY root) {
    HKEY handle;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_SET_VALUE, &handle) != ERROR_SUCCESS)
        return;
    const LSTATUS status = RegDeleteValueA(handle, name.c_str());
    RegCloseKey(handle);
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND)
        FailWithCode("cannot delete registry value " + key + "\\" + name, status);
}

void DeleteKeyTree(const std::string& key, HKEY root) {
    const LSTATUS status = RegDeleteTreeA(root, key.c_str());
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND)
        FailWithCode("cannot delete registry key " + key, status);
    if (KeyExists(key, root))
        Fail("registry key " + key + " still exists after deleting it");
}

std::string AppDataFolder() {
    char path[MAX_PATH] = {};
    const HRESULT result = SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path);
    if (FAILED(result))
        FailWithCode("SHGetFolderPathA(CSIDL_APPDATA) failed", static_cast<DWORD>(result));
    return path;
}

std::string DataFolder() { return AppDataFolder() + "\\Pelloran"; }

void ResetSettings() { DeleteKeyTree(kSettingsKey); }

void ResetDataFolder() {
    std::error_code error;
    std::filesystem::remove_all(DataFolder(), error);
    if (error)
        Fail("cannot delete the data folder " + DataFolder() + ": " + error.message());
}

void ResetProgramState() {
    ResetSettings();
    ResetDataFolder();
}

void SetWindowsVersion(const std::string& version, const std::string& programFile) {
    WriteString(AppDefaultsKey(programFile), "Version", version);
}

void ClearWindowsVersion(const std::string& programFile) { DeleteValue(AppDefaultsKey(programFile), "Version"); }

} // namespace e2e
