// The filter box's rule over the rows shown: the filter text is taken apart into words once, when it
// changes, and each row is then tested against the words.
//
// - Words are separated by white space (blank, tab, CR, LF; also NUL). A row matches when every word is found in
//   one of its cells (as part of the cell's text), and no word that starts with '-' has the rest of it
//   in any cell: "-text" excludes the rows that show "text" anywhere.
// - Letters compare without regard to ASCII case; other bytes (an ANSI process name, say) compare as they
//   are, so no locale changes the outcome.
// - An empty text, white space only, and a lone "-" (an exclusion of nothing) leave every row in. A '-'
//   after the start of a word is part of the text sought ("a-b" is sought as it is, "--x" excludes "-x").
// - Words that contradict each other ("tcp -tcp") leave no row in.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class RowFilter {
public:
    // Takes a new filter text.
    void Compile(std::string_view text);
    // True when the text has no word to test, so every row matches.
    bool MatchesEverything() const { return words.empty(); }
    // The row's cell texts one after another, each ended by a NUL (the last one may be unended): a word
    // never matches across two cells.
    bool Matches(std::string_view cells) const;

private:
    // A word folded to lower case, with its skip table for the search (Horspool's), indexed by folded byte.
    struct Word {
        std::string text;
        bool exclude = false;
        std::array<uint16_t, 256> skip{};
    };
    static bool Contains(std::string_view cells, const Word& word);

    std::vector<Word> words;
};
