// The text of the event log: the time stamp of a flush and one line per established event.
#pragma once

#include "connections/ConnectionEntry.h"
#include "connections/EventQueue.h"
#include "connections/HostNameCache.h"

#include <ctime>
#include <string>
#include <string_view>

// "dd Mon HH:MM" (for example "05 Dec 22:24") with English month names whatever the locale: the log
// is read by people and tools that expect the same text on every machine, so no locale is consulted.
// Fields outside their calendar range are clamped (month to Jan..Dec, the numbers to 00..99).
std::string FormatLogTimeStamp(const std::tm& time);

// Appends the line of one event: stamp, " \t", then processName, pidText (each only when not empty),
// local address, local port, remote address, "[hostName]" (only when hostName is not empty) and
// remote port, each followed by one space, then CR LF.
void AppendLogLine(std::string& text, const std::string& stamp, const ConnectionEntry& entry,
                   std::string_view hostName);

// Whether the entry's state text is "ESTABLISHED", ignoring case.
bool IsEstablishedEvent(const ConnectionEntry& entry);

// The lines of one flush, in queue order: only entries whose state is established; the host name is
// that of the first cache record with the entry's remote address and a name that is not empty, else
// the name the refresh left in the entry. The caller holds the lock that guards hostNames.
std::string BuildLogLines(const EventQueue& queue, const HostNameCache& hostNames, const std::string& stamp);
