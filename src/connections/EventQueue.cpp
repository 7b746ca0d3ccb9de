// Event queue with its remote-address index.
#include "connections/EventQueue.h"

#include "connections/FieldText.h"

bool EventQueue::AppendIfNew(const ConnectionEntry& entry) {
    if (!remoteTexts.Insert(FieldText(entry.remoteAddressText), static_cast<uint32_t>(entries.size())).second) {
        return false;
    }
    entries.push_back(entry);
    return true;
}

void EventQueue::Clear() {
    std::vector<ConnectionEntry>().swap(entries);
    remoteTexts.Clear();
}
