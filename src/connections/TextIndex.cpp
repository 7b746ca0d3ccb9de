// Recognising the canonical dotted-decimal form.
#include "connections/TextIndex.h"

bool ParseCanonicalAddress(std::string_view text, uint32_t& value) {
    if (text.size() < 7 || text.size() > 15) {
        return false;
    }
    uint32_t result = 0;
    size_t at = 0;
    for (int part = 0; part < 4; ++part) {
        if (part != 0) {
            if (at >= text.size() || text[at] != '.') {
                return false;
            }
            ++at;
        }
        const size_t start = at;
        uint32_t number = 0;
        while (at < text.size() && at - start < 3 && text[at] >= '0' && text[at] <= '9') {
            number = number * 10 + static_cast<uint32_t>(text[at] - '0');
            ++at;
        }
        const size_t digits = at - start;
        // "0" is canonical, "00" or "01" is not: such a text never equals a formatted address.
        if (digits == 0 || number > 255 || (digits > 1 && text[start] == '0')) {
            return false;
        }
        result = (result << 8) | number;
    }
    if (at != text.size()) {
        return false;
    }
    value = result;
    return true;
}
