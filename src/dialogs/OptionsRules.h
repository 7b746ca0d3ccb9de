// Rules of the Process Options dialog that need no window: the rows of its two interval lists, which
// row a stored value selects, and the number a selected row stands for.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace options {

// Rows of the Update Interval list, in list order.
inline constexpr const char* kUpdateIntervalRows[] = {"1 sec", "2 sec", "3 sec", "5 sec", "7 sec"};
// Rows of the Save Log every list. The first row has two spaces, so a stored 5 formatted as
// "5 minutes" finds no row; the selection then stays on row 0, which is the same five minutes.
inline constexpr const char* kLoggingIntervalRows[] = {"5  minutes", "10 minutes", "15 minutes", "20 minutes"};

// The leading unsigned decimal number of a row text ("5  minutes" gives 5): digits from the first
// character, 0 when there are none, UINT32_MAX when they do not fit in 32 bits.
uint32_t LeadingNumber(std::string_view text);

// Index of the row whose text equals `text` ignoring (ASCII) case, or -1.
int FindRow(const char* const* rows, size_t count, std::string_view text);
template <size_t N> int FindRow(const char* const (&rows)[N], std::string_view text) { return FindRow(rows, N, text); }

// The row a stored value selects when the dialog opens: the row whose text is the value formatted
// as "%u sec" (or "%u minutes"), else row 0.
int UpdateIntervalRow(uint32_t storedSeconds);
int LoggingIntervalRow(uint32_t storedMinutes);

} // namespace options
