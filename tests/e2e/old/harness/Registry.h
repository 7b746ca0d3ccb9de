// Registry and data-folder access for the end-to-end tests: the program's settings key, its data folder, and the
// per-program Windows version that Wine reads when a program starts. Keys are paths below a root (the current
// user's hive unless given), as the program itself names them.
#ifndef PELLORAN_E2E_REGISTRY_H
#define PELLORAN_E2E_REGISTRY_H

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace e2e {

inline constexpr char kSettingsKey[] = "SOFTWARE\\Quintaro\\Pelloran";
inline constexpr char kProgramFile[] = "Pelloran.exe";

// Writers create the key when it is missing.
void WriteDword(const std::string& key, const std::string& name, DWORD value, HKEY root = HKEY_CURRENT_USER);
// Raw bytes of any length, stored as REG_BINARY (a DWORD value of the wrong size, for instance).
void WriteBinary(const std::string& key, const std::string& name, const std::vector<BYTE>& data,
                 HKEY root = HKEY_CURRENT_USER);
// REG_SZ stored with its terminating NUL.
void WriteString(const std::string& key, const std::string& name, const std::string& value,
                 HKEY root = HKEY_CURRENT_USER);

// Readers give nothing when the key or value is missing. ReadDword also gives nothing for data that is not
// exactly four bytes.
std::optional<DWORD> ReadDword(const std::string& key, const std::string& name, HKEY root = HKEY_CURRENT_USER);
std::optional<std::string> ReadString(const std::string& key, const std::string& name, HKEY root = HKEY_CURRENT_USER);
std::optional<DWORD> ValueType(const std::string& key, const std::string& name, HKEY root = HKEY_CURRENT_USER);
// The stored bytes whatever the type.
std::optional<std::vector<BYTE>> ReadBinary(const std::string& key, const std::string& name,
                                            HKEY root = HKEY_CURRENT_USER);
bool ValueExists(const std::string& key, const std::string& name, HKEY root = HKEY_CURRENT_USER);
bool KeyExists(const std::string& key, HKEY root = HKEY_CURRENT_USER);

void DeleteValue(const std::string& key, const std::string& name, HKEY root = HKEY_CURRENT_USER);
// Deletes the key with everything below it; a missing key is not an error.
void DeleteKeyTree(const std::string& key, HKEY root = HKEY_CURRENT_USER);

// SHGetFolderPathA(CSIDL_APPDATA), and the program's data folder inside it.
std::string AppDataFolder();
std::string DataFolder();

// The clean first-start state every test begins from: no settings key, no data folder.
void ResetSettings();
void ResetDataFolder();
void ResetProgramState();

// Wine's per-program Windows version (win98, nt40, win2k, winxp, win7, win10...), read at program start.
void SetWindowsVersion(const std::string& version, const std::string& programFile = kProgramFile);
void ClearWindowsVersion(const std::string& programFile = kProgramFile);

} // namespace e2e

#endif
