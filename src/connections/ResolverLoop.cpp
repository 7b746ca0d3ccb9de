// Address-resolution worker loop.
#include "ResolverLoop.h"
#include "Address6.h"
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
        ResolveAddress address;
        {
            std::lock_guard<std::mutex> hold(lock);
            if (stop || i >= queue.Size())
                break;
            address = queue.At(i);
        }
        char text[kAddress6TextBytes];
        std::string name;
        bool named = false;
        if (address.ipv6) {
            FormatAddress6(text, address.ipv6Bytes, address.scopeId);
            if (IsUnspecified6(address.ipv6Bytes))
                named = lookups.localHostName(name) && name.size() >= kShortestLocalName;
            else if (IsLoopback6(address.ipv6Bytes)) {
                name = "localhost";
                named = true;
            } else
                named = lookups.reverseLookup6 && lookups.reverseLookup6(address, name);
        } else {
            const uint32_t networkOrder = HostToNetworkLong(address.ipv4);
            FormatAddress(text, networkOrder);
            if (address.ipv4 == 0)
                named = lookups.localHostName(name) && name.size() >= kShortestLocalName;
            else if (strncmp(text, "127", 3) == 0) {
                name = "localhost";
                named = true;
            } else
                named = lookups.reverseLookup(networkOrder, name);
        }

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
