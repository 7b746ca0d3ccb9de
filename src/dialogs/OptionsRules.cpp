// Process Options list rules.
#include "OptionsRules.h"

#include "connections/FieldText.h"

#include <cstdio>
#include <iterator>
#include <limits>

namespace options {

namespace {

int RowOf(const char* const* rows, size_t count, const char* format, uint32_t value) {
    char text[32];
    std::snprintf(text, sizeof text, format, static_cast<unsigned>(value));
    int row = FindRow(rows, count, text);
    return row < 0 ? 0 : row;
}

} // namespace

uint32_t LeadingNumber(std::string_view text) {
    uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            break;
        value = value * 10 + static_cast<uint64_t>(c - '0');
        if (value > std::numeric_limits<uint32_t>::max())
            return std::numeric_limits<uint32_t>::max();
    }
    return static_cast<uint32_t>(value);
}

int FindRow(const char* const* rows, size_t count, std::string_view text) {
    for (size_t i = 0; i < count; ++i) {
        if (EqualsIgnoringCase(rows[i], text))
            return static_cast<int>(i);
    }
    return -1;
}

int UpdateIntervalRow(uint32_t storedSeconds) {
    return RowOf(kUpdateIntervalRows, std::size(kUpdateIntervalRows), "%u sec", storedSeconds);
}

int LoggingIntervalRow(uint32_t storedMinutes) {
    return RowOf(kLoggingIntervalRows, std::size(kLoggingIntervalRows), "%u minutes", storedMinutes);
}

} // namespace options
