// The black-list matching rule and the closer's pass.
#include "blacklist/BlackListMatch.h"

#include "connections/FieldText.h"

bool BlackListEntryMatches(std::string_view entry, const ConnectionEntry& connection) {
    entry = entry.substr(0, kMaxAddressChars);
    if (entry.empty())
        return false;
    if (EqualsIgnoringCase(entry, FieldText(connection.remoteAddressText)))
        return true;
    return FieldText(connection.remoteHostName).find(entry) != std::string_view::npos;
}

ConnectionSnapshot RunBlackListPass(ConnectionSnapshot& snapshot, const BlackList& list,
                                    const std::function<CloseOutcome(const ConnectionEntry&)>& close) {
    ConnectionSnapshot closed;
    for (const std::string& entry : list) {
        // Connections that stay are moved down over the closed ones as the walk goes (one move each,
        // where erasing one at a time would move the whole tail for every close).
        size_t kept = 0;
        size_t next = 0;
        bool stop = false;
        for (; next < snapshot.size() && !stop; ++next) {
            CloseOutcome outcome = CloseOutcome::Kept;
            if (BlackListEntryMatches(entry, snapshot[next]))
                outcome = close(snapshot[next]);
            if (outcome == CloseOutcome::Closed) {
                closed.push_back(snapshot[next]);
                continue;
            }
            stop = outcome == CloseOutcome::Stop;
            if (kept != next)
                snapshot[kept] = snapshot[next];
            ++kept;
        }
        for (; next < snapshot.size(); ++next, ++kept) {
            if (kept != next)
                snapshot[kept] = snapshot[next];
        }
        snapshot.resize(kept);
        if (stop)
            break;
    }
    return closed;
}
