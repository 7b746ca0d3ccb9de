// The black-list file's text: reading entries out of its bytes and writing a list back, byte for byte.
// No file access here (see BlackListStore.h), so the rules are checked natively and fuzzed.
#pragma once

#include <string>
#include <string_view>
#include <vector>

using BlackList = std::vector<std::string>;

// The entries of a black-list file. A line ends at LF; each line is trimmed of white space, the text after
// its first "<link>" up to the next "<" (or the line's end) is the entry, exactly (not trimmed again).
// Lines without "<link>" are skipped, and so is an entry equal to one read before. An entry also ends
// at a NUL byte: every holder of an entry (the list controls, the matching) takes it as a C string.
// Never fails: any bytes give a list, possibly empty.
BlackList ParseBlackList(std::string_view bytes);

// The whole file for `entries`: declaration, "<blacklist>", description, one "  <link>...</link>" line per
// entry in list order, "</blacklist>", every line ended by CR LF. Entries are written as held (no escaping).
std::string FormatBlackList(const BlackList& entries);

// Appends `entry` unless an equal one (exact, whole string) is listed; true when it was appended.
bool AppendUnique(BlackList& entries, std::string entry);
