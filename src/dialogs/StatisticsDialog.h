// File > Statistics: the system-wide TCP counters as fifteen label-value rows, read when the dialog
// opens and again on Refresh. The dialog binds the IP helper library itself and releases it when its
// window goes, independently of the main window's binding.
#pragma once

#include "connections/IpHelperApi.h"
#include "framework/Dialog.h"
#include "framework/ListCtrl.h"

#include <memory>

class StatisticsDialog : public CDialog {
public:
    explicit StatisticsDialog(CWnd* parent = nullptr);

    // Reads the counters into the rows; every value shows "..." when the read fails. Does nothing
    // without a bound GetTcpStatistics.
    void UpdateStatistics();

    CListCtrl statisticsList;
    // Null until loaded; its getTcpStatistics is null when the library lacks it.
    std::unique_ptr<IpHelperApi> ipHelper;

protected:
    BOOL OnInitDialog() override;

    DECLARE_MESSAGE_MAP()
    void OnDestroy();
};
