// Options > Processing: the refresh and log-flush intervals, logging on or off, the log file and the
// on-top state. The dialog reads its values from the settings key and writes them back on OK; the
// frame then reloads its settings from the key, which is the only channel between the two.
#pragma once

#include "framework/Controls.h"
#include "framework/Dialog.h"

class ProcessOptionsDialog : public CDialog {
public:
    explicit ProcessOptionsDialog(CWnd* parent = nullptr);

    CButton browseButton;
    CButton onTopCheck;
    CButton loggingCheck;
    CEdit logFileEdit;
    CComboBox updateIntervalCombo;
    CComboBox loggingIntervalCombo;

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;

    DECLARE_MESSAGE_MAP()
    void OnEnableLogging();
    void OnBrowse();

private:
    // The interval list, the path and its browse button are usable only while logging is on.
    void EnableLoggingControls(bool enable) const;
};
