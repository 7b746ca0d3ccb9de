// Rows shown and their counts.
#include "connections/ShownRows.h"

#include "connections/ConnectionEntry.h"

#include <algorithm>
#include <charconv>

namespace {

// The table's state numbers whose rows the panes count.
constexpr uint32_t kListen = 2;
constexpr uint32_t kEstablished = 5;
constexpr uint32_t kCloseWait = 8; // shown as "WAIT_CLOSE"
constexpr uint32_t kTimeWait = 11;

void FormatPane(std::string& pane, std::string_view title, int count) {
    char digits[16];
    const auto end = std::to_chars(digits, digits + sizeof digits, count).ptr;
    pane.assign(title);
    pane.append(digits, end);
}

} // namespace

void ConnectionCounts::Add(std::string_view stateText) {
    ++endpoints;
    if (stateText == TcpStateName(kEstablished))
        ++established;
    else if (stateText == TcpStateName(kListen))
        ++listening;
    else if (stateText == TcpStateName(kTimeWait))
        ++timeWait;
    else if (stateText == TcpStateName(kCloseWait))
        ++closeWait;
}

void FormatCountPanes(const ConnectionCounts& counts, std::array<std::string, kCountPanes>& panes) {
    FormatPane(panes[0], "Endpoints: ", counts.endpoints);
    FormatPane(panes[1], "Established: ", counts.established);
    FormatPane(panes[2], "Listening: ", counts.listening);
    FormatPane(panes[3], "Time Wait: ", counts.timeWait);
    FormatPane(panes[4], "Close Wait: ", counts.closeWait);
}

void SelectShownRows(const ChangeTracker& tracker, const RowFilter& filter, const ShowOptions& options,
                     std::vector<int>& rows, ConnectionCounts& counts) {
    rows.clear();
    counts = {};
    const bool byState = options.statusColumn >= 0 && options.statusColumn < tracker.ColumnCount();
    const bool everything = filter.MatchesEverything();
    for (int row = 0; row < tracker.RowCount(); ++row) {
        const std::string_view state = byState ? tracker.Cell(row, options.statusColumn) : std::string_view();
        if (options.showEstablishedOnly && byState && state != TcpStateName(kEstablished))
            continue;
        if (!everything && !filter.Matches(tracker.Cells(row)))
            continue;
        if (!options.closedReads.empty() && std::find(options.closedReads.begin(), options.closedReads.end(),
                                                      tracker.ReadIndex(row)) != options.closedReads.end())
            continue;
        rows.push_back(row);
        if (tracker.Mark(row) != RowMark::Removed)
            counts.Add(state);
    }
}
