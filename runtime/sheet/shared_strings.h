// The shared strings of a workbook (.xlsx's shared-strings part, .xls's SST),
// held once for both readers: GBK text in blocks of about a mebibyte, each
// item closed by a NUL, and where each item ends. A block is never grown past
// what it was given, so the table costs its text and four bytes an item, and
// no reallocation holds it twice.
//
// The total is capped. The file states how much text it holds and zlib makes
// a few kilobytes of a gigabyte of repeated text, so without a cap a small
// file could take all the memory a clerk's machine has. 256 MiB is far past
// any mail-merge sheet (a million rows of a 200-byte text each) and leaves
// the rest of a 4 GiB office machine to the grid that the rows are copied
// into, which holds each cell's text again.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace rt::sheet {

class SharedStrings {
public:
    static constexpr std::size_t default_cap = std::size_t{256} << 20;

    explicit SharedStrings(std::size_t cap = default_cap) : cap_(cap) {}

    // Whether `bytes` more text in `items` more items stay within the cap,
    // counting each item's NUL and its end.
    bool fits(std::size_t bytes, std::size_t items) const;
    // One item; false, and nothing added, when it would pass the cap.
    bool add(std::string_view text);
    // Items each closed by a NUL, taken over as a block of their own; false,
    // and nothing added, when they would pass the cap.
    bool add_block(std::string block);

    std::size_t size() const { return ends_.size(); }
    // The i-th item, valid while the table lives; i below size().
    std::string_view operator[](std::size_t i) const;

private:
    static constexpr std::size_t block_size = std::size_t{1} << 20;

    std::size_t cap_;
    std::size_t bytes_ = 0; // text and NULs over all blocks
    std::vector<std::string> blocks_;
    std::vector<std::uint32_t> block_start_; // offset of each block's first byte over all blocks
    std::vector<std::uint32_t> ends_;        // offset past each item's NUL over all blocks
};

} // namespace rt::sheet
