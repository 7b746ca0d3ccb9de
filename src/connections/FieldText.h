// View of a fixed-size text field up to its terminator, never past the end of the array.
#pragma once

#include <cstring>
#include <string_view>

template <size_t N> std::string_view FieldText(const char (&field)[N]) {
    const void* end = std::memchr(field, '\0', N);
    return {field, end != nullptr ? static_cast<size_t>(static_cast<const char*>(end) - field) : N};
}
