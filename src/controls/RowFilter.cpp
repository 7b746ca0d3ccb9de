// The filter box's matching: words folded once, rows searched with a skip table per word.
#include "controls/RowFilter.h"

#include <algorithm>

namespace {

constexpr unsigned char Fold(unsigned char c) { return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + 32) : c; }

// A NUL, which no cell holds, separates words as well: a word never spans two cells.
bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\0'; }

} // namespace

void RowFilter::Compile(std::string_view text) {
    words.clear();
    size_t at = 0;
    while (at < text.size()) {
        while (at < text.size() && IsSpace(text[at]))
            ++at;
        const size_t start = at;
        while (at < text.size() && !IsSpace(text[at]))
            ++at;
        std::string_view word = text.substr(start, at - start);
        if (word.empty())
            break;
        Word compiled;
        if (word[0] == '-') {
            compiled.exclude = true;
            word.remove_prefix(1);
            if (word.empty())
                continue; // a lone '-' excludes nothing
        }
        // The skip table holds at most 65535: a longer word simply moves on by less.
        compiled.text.resize(word.size());
        std::transform(word.begin(), word.end(), compiled.text.begin(),
                       [](char c) { return static_cast<char>(Fold(static_cast<unsigned char>(c))); });
        const size_t length = compiled.text.size();
        const uint16_t full = static_cast<uint16_t>(std::min<size_t>(length, 0xFFFF));
        compiled.skip.fill(full);
        for (size_t i = 0; i + 1 < length; ++i) {
            const size_t distance = std::min<size_t>(length - 1 - i, 0xFFFF);
            compiled.skip[static_cast<unsigned char>(compiled.text[i])] = static_cast<uint16_t>(distance);
        }
        words.push_back(std::move(compiled));
    }
}

bool RowFilter::Contains(std::string_view cells, const Word& word) {
    const size_t length = word.text.size();
    if (length > cells.size())
        return false;
    const unsigned char* row = reinterpret_cast<const unsigned char*>(cells.data());
    const unsigned char* sought = reinterpret_cast<const unsigned char*>(word.text.data());
    const unsigned char last = sought[length - 1];
    for (size_t at = 0; at + length <= cells.size();) {
        const unsigned char end = Fold(row[at + length - 1]);
        if (end == last) {
            size_t i = 0;
            while (i + 1 < length && Fold(row[at + i]) == sought[i])
                ++i;
            if (i + 1 >= length)
                return true;
        }
        at += word.skip[end];
    }
    return false;
}

bool RowFilter::Matches(std::string_view cells) const {
    for (const Word& word : words) {
        if (Contains(cells, word) == word.exclude)
            return false;
    }
    return true;
}
