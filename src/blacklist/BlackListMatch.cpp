// The black-list matching rule and the closer's pass.
#include "blacklist/BlackListMatch.h"

#include "connections/FieldText.h"

BlackListTargets TargetsOf(const ConnectionSnapshot& snapshot) {
    BlackListTargets targets;
    targets.reserve(snapshot.size());
    for (const ConnectionEntry& entry : snapshot) {
        targets.push_back({std::string(FieldText(entry.remoteAddressText)),
                           std::string(FieldText(entry.remoteHostName)), EndpointsOf(entry), IsIpv4Tcp(entry)});
    }
    return targets;
}

bool BlackListEntryMatches(std::string_view entry, const BlackListTarget& connection) {
    entry = entry.substr(0, kMaxAddressChars);
    if (entry.empty())
        return false;
    if (EqualsIgnoringCase(entry, connection.remoteAddress))
        return true;
    return connection.remoteHostName.find(entry) != std::string::npos;
}

std::vector<RawEndpoints> RunBlackListPass(BlackListTargets& snapshot, const BlackList& list,
                                           const std::function<CloseOutcome(const BlackListTarget&)>& close) {
    std::vector<RawEndpoints> closed;
    for (const std::string& entry : list) {
        // Connections that stay are moved down over the closed ones as the walk goes (one move each,
        // where erasing one at a time would move the whole tail for every close).
        size_t kept = 0;
        size_t next = 0;
        bool stop = false;
        for (; next < snapshot.size() && !stop; ++next) {
            CloseOutcome outcome = CloseOutcome::Kept;
            if (BlackListEntryMatches(entry, snapshot[next]) && snapshot[next].resettable)
                outcome = close(snapshot[next]);
            if (outcome == CloseOutcome::Closed) {
                closed.push_back(snapshot[next].endpoints);
                continue;
            }
            stop = outcome == CloseOutcome::Stop;
            if (kept != next)
                snapshot[kept] = std::move(snapshot[next]);
            ++kept;
        }
        for (; next < snapshot.size(); ++next, ++kept) {
            if (kept != next)
                snapshot[kept] = std::move(snapshot[next]);
        }
        snapshot.resize(kept);
        if (stop)
            break;
    }
    return closed;
}
