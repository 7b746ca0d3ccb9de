// The rows the connection list shows out of the tracked rows (Established Only and the filter box), and the
// status bar's counts over them.
//
// Both views work on the cells a row shows, so a removed row (kept with its last cells) is shown when its
// last cells pass them. The counts leave removed rows out: they count the connections there are, and a
// removed row is one that has gone.
#pragma once

#include "connections/ChangeTracker.h"
#include "controls/RowFilter.h"

#include <array>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Connections counted by the state text they show (the texts of TcpStateName). Rows without a state text
// (tables without states) count as endpoints only.
struct ConnectionCounts {
    int endpoints = 0;
    int established = 0;
    int listening = 0;
    int timeWait = 0;
    int closeWait = 0;
    void Add(std::string_view stateText);
    friend bool operator==(const ConnectionCounts&, const ConnectionCounts&) = default;
};

// The status bar's panes in their order: "Endpoints: N", "Established: N", "Listening: N", "Time Wait: N",
// "Close Wait: N". The strings are overwritten in place, so a caller that keeps them allocates nothing once
// they have grown.
constexpr size_t kCountPanes = 5;
void FormatCountPanes(const ConnectionCounts& counts, std::array<std::string, kCountPanes>& panes);

struct ShowOptions {
    int statusColumn = -1;            // column of the state text; -1: none (no state counts, no Established Only)
    bool showEstablishedOnly = false; // only rows whose state text is "ESTABLISHED"
    // Rows of the newest read whose connection has been closed since: not shown, although the read still holds them.
    std::span<const int> closedReads;
};

// The tracker's rows to show, in its order (indexes into the tracker's rows), and the counts over them.
void SelectShownRows(const ChangeTracker& tracker, const RowFilter& filter, const ShowOptions& options,
                     std::vector<int>& rows, ConnectionCounts& counts);
