// Process Options dialog: initial values from the settings key, the logging controls, the browse
// button and the write-back on OK.
#include "ProcessOptionsDialog.h"
#include "OptionsRules.h"
#include "app/SettingsKey.h"
#include "app/SettingsRules.h"
#include "framework/CommonDialogs.h"
#include "resource.h"

namespace {

// The edit holds what the 260-byte path buffers of the settings key take: 259 characters and a NUL.
constexpr int kMaxLogFileChars = static_cast<int>(settings::kPathBufferSize) - 1;

} // namespace

BEGIN_MESSAGE_MAP(ProcessOptionsDialog, CDialog)
ON_BN_CLICKED(IDC_ENABLE_LOGGING, OnEnableLogging)
ON_BN_CLICKED(IDC_BROWSE_LOG_FILE, OnBrowse)
END_MESSAGE_MAP()

ProcessOptionsDialog::ProcessOptionsDialog(CWnd* parent) : CDialog(IDD_PROCESS_OPTIONS, parent) {
    BindControl(IDC_BROWSE_LOG_FILE, browseButton);
    BindControl(IDC_WINDOW_ON_TOP, onTopCheck);
    BindControl(IDC_ENABLE_LOGGING, loggingCheck);
    BindControl(IDC_LOG_FILE, logFileEdit);
    BindControl(IDC_UPDATE_INTERVAL, updateIntervalCombo);
    BindControl(IDC_LOGGING_INTERVAL, loggingIntervalCombo);
}

BOOL ProcessOptionsDialog::OnInitDialog() {
    // A shared icon from the resources: the system keeps it, nobody frees it.
    SendMessage(WM_SETICON, ICON_SMALL,
                reinterpret_cast<LPARAM>(LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_OPTIONS))));

    for (const char* row : options::kUpdateIntervalRows)
        updateIntervalCombo.AddString(row);
    for (const char* row : options::kLoggingIntervalRows)
        loggingIntervalCombo.AddString(row);
    updateIntervalCombo.SetCurSel(0);
    loggingIntervalCombo.SetCurSel(0);

    EnsureDataFolder();
    logFileEdit.LimitText(kMaxLogFileChars);
    // Empty when the application-data folder is unknown: there is no default file to offer then.
    std::string logFile = DefaultLogFilePath();

    if (SettingsKey key = SettingsKey::Open(); key.IsOpen()) {
        DWORD value = 0;
        if (key.ReadDword("UpdateInterval", value))
            updateIntervalCombo.SetCurSel(options::UpdateIntervalRow(value));
        if (key.ReadDword("LoggingInterval", value))
            loggingIntervalCombo.SetCurSel(options::LoggingIntervalRow(value));
        if (key.ReadDword("EnableLogging", value))
            loggingCheck.SetCheck(static_cast<int>(value));
        if (key.ReadDword("WindowOnTop", value))
            onTopCheck.SetCheck(static_cast<int>(value));
        // A stored path the reload would not take is not shown either: the default path is.
        ReadLogFile(key, logFile);
    }
    logFileEdit.SetWindowText(logFile.c_str());

    EnableLoggingControls(loggingCheck.GetCheck() == BST_CHECKED);
    return TRUE;
}

void ProcessOptionsDialog::EnableLoggingControls(bool enable) const {
    loggingIntervalCombo.EnableWindow(enable);
    logFileEdit.EnableWindow(enable);
    browseButton.EnableWindow(enable);
}

void ProcessOptionsDialog::OnEnableLogging() { EnableLoggingControls(loggingCheck.GetCheck() == BST_CHECKED); }

void ProcessOptionsDialog::OnBrowse() {
    std::string current = logFileEdit.GetWindowText();
    CFileDialog dialog(FALSE, "txt", current.c_str(), OFN_HIDEREADONLY, "Text files (*.txt)|*.*|", this);
    if (dialog.DoModal() != IDOK)
        return;
    // A path the settings key could not hold whole is refused rather than cut.
    if (dialog.GetPathName().size() > static_cast<size_t>(kMaxLogFileChars))
        return;
    logFileEdit.SetWindowText(dialog.GetPathName().c_str());
}

void ProcessOptionsDialog::OnOK() {
    if (SettingsKey key = SettingsKey::OpenOrCreate(); key.IsOpen()) {
        key.WriteDword("UpdateInterval", options::LeadingNumber(updateIntervalCombo.GetWindowText()));
        key.WriteDword("LoggingInterval", options::LeadingNumber(loggingIntervalCombo.GetWindowText()));
        key.WriteDword("EnableLogging", static_cast<DWORD>(loggingCheck.GetCheck()));
        key.WriteDword("WindowOnTop", static_cast<DWORD>(onTopCheck.GetCheck()));
        char path[settings::kPathBufferSize] = "";
        ::GetWindowTextA(logFileEdit.hwnd, path, sizeof path);
        key.WriteString("LogFile", path);
    }
    EndDialog(IDOK);
}
