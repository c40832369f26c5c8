// The mail-merge template taken apart once, so that each row's message is
// built in one pass into one string instead of one search-and-replace over
// the whole message per grid column.
//
// The merge's rule is column by column: for each column in order, when its
// placeholder ("[C]") stands in the message as written (case counts, never on
// the second byte of a character), every occurrence of it without regard to
// case is replaced by the cell. A cell text therefore takes part in the later
// columns' searches: a cell "[B]" put in for [A] is itself replaced when B
// comes. build() gives the same message whenever no such thing can happen:
// the template's placeholders are a bracket and one single-byte key (or
// none), no placeholder stands right after a "[" or one byte after it, and
// the row's cells hold no bracket byte and do not end inside a character.
// Otherwise it answers false and the caller replaces column by column.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class merge_template {
public:
    // placeholders[j] belongs to grid column j (from 1; [0] is not used).
    merge_template(std::string text, const std::vector<std::string>& placeholders);

    // Whether build() can be used at all for this template.
    bool usable() const { return usable_; }
    // The columns whose placeholder the template holds, in column order.
    const std::vector<int>& columns() const { return used_; }
    // Appends the row's message to out: cells[j] is column j's text (a null
    // cell as ""). False, with out as it was, when the row must be merged
    // column by column.
    bool build(const std::vector<std::string_view>& cells, std::string& out) const;

    // The rule itself, one column after another: what build() must equal.
    static std::string replace_column_by_column(const std::string& text, const std::vector<std::string>& placeholders,
                                                const std::vector<std::string_view>& cells);

private:
    struct Piece {
        std::size_t begin, length; // literal text of the template before the placeholder
        int column;                // 0 for the tail after the last placeholder
    };
    std::string text_;
    std::vector<Piece> pieces_;
    std::vector<int> used_;
    bool usable_ = false;
};
