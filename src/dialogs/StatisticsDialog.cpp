// TCP statistics dialog: list set-up, the library binding and the rows.
#include "StatisticsDialog.h"
#include "StatisticsRows.h"
#include "resource.h"

#include <iprtrmib.h>

namespace {

// Light blue background, dark blue text (COLORREF values are 0x00BBGGRR).
constexpr COLORREF kBackground = 0xFFE6C8;
constexpr COLORREF kText = 0x320000;

} // namespace

BEGIN_MESSAGE_MAP(StatisticsDialog, CDialog)
ON_BN_CLICKED(IDC_STATISTICS_REFRESH, UpdateStatistics)
ON_WM_DESTROY()
END_MESSAGE_MAP()

StatisticsDialog::StatisticsDialog(CWnd* parent) : CDialog(IDD_STATISTICS, parent) {
    BindControl(IDC_STATISTICS_LIST, statisticsList);
}

BOOL StatisticsDialog::OnInitDialog() {
    // A shared icon from the resources: the system keeps it, nobody frees it.
    SendMessage(WM_SETICON, ICON_SMALL,
                reinterpret_cast<LPARAM>(LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_STATISTICS))));

    statisticsList.ModifyStyle(LVS_TYPEMASK, LVS_REPORT);
    statisticsList.SetExtendedStyle(LVS_EX_GRIDLINES);
    statisticsList.InsertColumn(0, "   Parameters", LVCFMT_LEFT, 208);
    statisticsList.InsertColumn(1, "   Value", LVCFMT_LEFT, 100);
    for (int row = 0; row < static_cast<int>(statistics::kRowCount); ++row)
        statisticsList.InsertItem(row, "");
    statisticsList.SendMessage(LVM_SETBKCOLOR, 0, kBackground);
    statisticsList.SendMessage(LVM_SETTEXTBKCOLOR, 0, kBackground);
    statisticsList.SendMessage(LVM_SETTEXTCOLOR, 0, kText);

    ipHelper = IpHelperApi::LoadStatistics();
    if (ipHelper != nullptr && ipHelper->getTcpStatistics != nullptr)
        UpdateStatistics();
    return TRUE;
}

void StatisticsDialog::UpdateStatistics() {
    // Without the entry point the rows stay as they are.
    if (ipHelper == nullptr || ipHelper->getTcpStatistics == nullptr)
        return;
    MIB_TCPSTATS record{};
    if (ipHelper->getTcpStatistics(&record) != 0) {
        // The labels keep what the last good read wrote (empty before the first).
        for (int row = 0; row < static_cast<int>(statistics::kRowCount); ++row)
            statisticsList.SetItemText(row, 1, statistics::kFailedValue);
        return;
    }
    const statistics::TcpCounters counters = {
        record.dwRtoAlgorithm, record.dwRtoMin,       record.dwRtoMax,      record.dwMaxConn,   record.dwActiveOpens,
        record.dwPassiveOpens, record.dwAttemptFails, record.dwEstabResets, record.dwCurrEstab, record.dwInSegs,
        record.dwOutSegs,      record.dwRetransSegs,  record.dwInErrs,      record.dwOutRsts,   record.dwNumConns,
    };
    const auto rows = statistics::FormatRows(counters);
    for (int row = 0; row < static_cast<int>(rows.size()); ++row) {
        statisticsList.SetItemText(row, 0, rows[row].label);
        statisticsList.SetItemText(row, 1, rows[row].value.c_str());
    }
}

void StatisticsDialog::OnDestroy() {
    Default();
    ipHelper.reset();
}
