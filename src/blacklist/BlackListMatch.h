// Which connections the black list closes: the matching rule and the closer's pass, over copies of what
// the closer needs of the snapshot and of the list, free of any window or system call (the close itself is
// passed in).
#pragma once

#include "blacklist/BlackListFile.h"
#include "connections/ConnectionEntry.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

// What the closer needs of one connection: the two texts an entry is matched against and the values that
// reset it. A snapshot entry is about 1.9 kB, almost all of it unused text room; the closer copies the
// snapshot at every refresh, so it copies only this.
struct BlackListTarget {
    std::string remoteAddress;  // the dotted address the table read made
    std::string remoteHostName; // empty unless the list showed the resolved name
    RawEndpoints endpoints;
    bool resettable = true; // an IPv4 TCP connection: the only kind the system's interface can reset
};
using BlackListTargets = std::vector<BlackListTarget>;

BlackListTargets TargetsOf(const ConnectionSnapshot& snapshot);

// An entry matches a connection when it equals the remote address text ignoring letter case, or else
// occurs inside the resolved host name (bytes compared exactly). Only the entry's first 510 characters
// count. An empty entry matches nothing: it would be contained in every host name and reset every
// connection of the machine.
bool BlackListEntryMatches(std::string_view entry, const BlackListTarget& connection);

enum class CloseOutcome {
    Closed, // the connection was reset: it leaves the snapshot
    Kept,   // the close failed (or cannot be made): it stays and is tried again next pass
    Stop    // the pass must end now (the window is gone)
};

// One closer pass: for each entry in list order, every resettable connection of `targets` that matches it
// is handed to `close` (a match of another kind, an IPv6 or UDP row, stays as it is); a closed connection is removed
// from `targets` at once (so a later entry does not try it again, and its neighbour is not passed over). Returns the
// closed connections in the order closed.
std::vector<RawEndpoints> RunBlackListPass(BlackListTargets& targets, const BlackList& list,
                                           const std::function<CloseOutcome(const BlackListTarget&)>& close);
