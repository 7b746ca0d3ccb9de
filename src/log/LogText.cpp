// Event-log line building.
#include "log/LogText.h"

#include "connections/FieldText.h"

#include <string_view>

namespace {

constexpr const char* kMonthNames[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

void AppendTwoDigits(std::string& text, int value) {
    if (value < 0)
        value = 0;
    if (value > 99)
        value = 99;
    text += static_cast<char>('0' + value / 10);
    text += static_cast<char>('0' + value % 10);
}

void AppendField(std::string& text, std::string_view field) {
    text.append(field);
    text += ' ';
}

} // namespace

std::string FormatLogTimeStamp(const std::tm& time) {
    std::string text;
    text.reserve(12);
    AppendTwoDigits(text, time.tm_mday);
    text += ' ';
    const int month = time.tm_mon < 0 ? 0 : (time.tm_mon > 11 ? 11 : time.tm_mon);
    text += kMonthNames[month];
    text += ' ';
    AppendTwoDigits(text, time.tm_hour);
    text += ':';
    AppendTwoDigits(text, time.tm_min);
    return text;
}

void AppendLogLine(std::string& text, const std::string& stamp, const ConnectionEntry& entry,
                   std::string_view hostName) {
    text += stamp;
    text += " \t";
    if (entry.processName[0] != '\0')
        AppendField(text, FieldText(entry.processName));
    if (entry.pidText[0] != '\0')
        AppendField(text, FieldText(entry.pidText));
    AppendField(text, FieldText(entry.localAddressText));
    AppendField(text, FieldText(entry.localPortText));
    AppendField(text, FieldText(entry.remoteAddressText));
    if (!hostName.empty()) {
        text += '[';
        text += hostName;
        text += "] ";
    }
    AppendField(text, FieldText(entry.remotePortText));
    text += "\r\n";
}

bool IsEstablishedEvent(const ConnectionEntry& entry) {
    return EqualsIgnoringCase(FieldText(entry.stateText), "ESTABLISHED");
}

std::string BuildLogLines(const EventQueue& queue, const HostNameCache& hostNames, const std::string& stamp) {
    std::string text;
    for (const ConnectionEntry& entry : queue.Entries()) {
        if (!IsEstablishedEvent(entry))
            continue;
        // Address texts are dotted numbers, so the exact match of the cache index is the match
        // ignoring case. A record without a name (a failed lookup) does not count.
        const std::string_view address = FieldText(entry.remoteAddressText);
        std::string_view hostName = FieldText(entry.remoteHostName);
        for (size_t at = hostNames.FindFrom(address, 0); at != HostNameCache::kNotFound;
             at = hostNames.FindFrom(address, at + 1)) {
            if (hostNames.At(at).hostName[0] != '\0') {
                hostName = FieldText(hostNames.At(at).hostName);
                break;
            }
        }
        AppendLogLine(text, stamp, entry, hostName);
    }
    return text;
}
