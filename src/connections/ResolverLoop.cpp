// Address-resolution worker loop.
#include "ResolverLoop.h"
#include "ByteOrder.h"
#include "TableDecode.h"

#include <cstring>

namespace {
// Below this length the computer's own name is not worth a record.
constexpr size_t kShortestLocalName = 3;
} // namespace

void RunResolver(std::mutex& lock, ResolveQueue& queue, HostNameCache& cache, const ResolverLookups& lookups,
                 const bool& stop) {
    for (size_t i = 0;; ++i) {
        uint32_t address = 0;
        {
            std::lock_guard<std::mutex> hold(lock);
            if (stop || i >= queue.Size())
                break;
            address = queue.At(i);
        }
        const uint32_t networkOrder = HostToNetworkLong(address);
        char text[16];
        FormatAddress(text, networkOrder);

        std::string name;
        bool named = false;
        if (address == 0)
            named = lookups.localHostName(name) && name.size() >= kShortestLocalName;
        else if (strncmp(text, "127", 3) == 0) {
            name = "localhost";
            named = true;
        } else
            named = lookups.reverseLookup(networkOrder, name);

        const uint64_t now = named ? 0 : lookups.now();
        {
            std::lock_guard<std::mutex> hold(lock);
            if (stop)
                return;
            if (named)
                cache.Append(text, name.c_str());
            else
                queue.RecordFailure(address, now);
        }
    }
    std::lock_guard<std::mutex> hold(lock);
    if (!stop)
        queue.Clear();
}
