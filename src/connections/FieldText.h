// Views of fixed-size text fields, and the one case-blind comparison the program's texts use.
#pragma once

#include <cstring>
#include <string_view>

template <size_t N> std::string_view FieldText(const char (&field)[N]) {
    const void* end = std::memchr(field, '\0', N);
    return {field, end != nullptr ? static_cast<size_t>(static_cast<const char*>(end) - field) : N};
}

// Whole-text comparison that ignores the case of ASCII letters only: the texts compared (state names,
// dotted addresses, port numbers, host names, list rows) are ASCII, and no locale may change the outcome.
inline bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<char>(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}
