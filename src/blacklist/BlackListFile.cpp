// Reading and writing the black-list file's text.
#include "blacklist/BlackListFile.h"

#include <unordered_set>

namespace {

// The C locale's white space; bytes of 0x80 and above are never white space.
bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

constexpr std::string_view kLinkTag = "<link>";

} // namespace

BlackList ParseBlackList(std::string_view bytes) {
    BlackList entries;
    // A hand-edited file can repeat lines many times: the set keeps the duplicate check linear.
    std::unordered_set<std::string_view> seen;
    while (!bytes.empty()) {
        const size_t lineEnd = bytes.find('\n');
        std::string_view line = Trim(bytes.substr(0, lineEnd));
        bytes.remove_prefix(lineEnd == std::string_view::npos ? bytes.size() : lineEnd + 1);
        const size_t tag = line.find(kLinkTag);
        if (tag == std::string_view::npos)
            continue;
        std::string_view entry = line.substr(tag + kLinkTag.size());
        entry = entry.substr(0, entry.find_first_of(std::string_view("<\0", 2)));
        if (seen.insert(entry).second)
            entries.emplace_back(entry);
    }
    return entries;
}

std::string FormatBlackList(const BlackList& entries) {
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
                       "<blacklist>\r\n"
                       "  <description>Pelloran BlackList Entries</description>\r\n";
    for (const std::string& entry : entries) {
        text += "  <link>";
        text += entry;
        text += "</link>\r\n";
    }
    text += "</blacklist>\r\n";
    return text;
}

bool AppendUnique(BlackList& entries, std::string entry) {
    for (const std::string& listed : entries) {
        if (listed == entry)
            return false;
    }
    entries.push_back(std::move(entry));
    return true;
}
