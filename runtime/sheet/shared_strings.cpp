#include "runtime/sheet/shared_strings.h"

#include <algorithm>
#include <limits>

namespace rt::sheet {

static_assert(SharedStrings::default_cap < std::numeric_limits<std::uint32_t>::max(),
              "offsets over all blocks are 32-bit");

bool SharedStrings::fits(std::size_t bytes, std::size_t items) const {
    const std::size_t cap = std::min<std::size_t>(cap_, std::numeric_limits<std::uint32_t>::max());
    const std::size_t used = bytes_ + ends_.size() * sizeof(std::uint32_t);
    if (used > cap || items > (cap - used) / (1 + sizeof(std::uint32_t))) return false;
    return bytes <= cap - used - items * (1 + sizeof(std::uint32_t));
}

bool SharedStrings::add(std::string_view text) {
    if (!fits(text.size(), 1)) return false;
    const std::size_t n = text.size() + 1;
    if (blocks_.empty() || blocks_.back().capacity() - blocks_.back().size() < n) {
        blocks_.emplace_back().reserve(std::max(block_size, n));
        block_start_.push_back(static_cast<std::uint32_t>(bytes_));
    }
    std::string& block = blocks_.back();
    block.append(text);
    block += '\0';
    bytes_ += n;
    ends_.push_back(static_cast<std::uint32_t>(bytes_));
    return true;
}

bool SharedStrings::add_block(std::string block) {
    if (block.empty()) return true;
    if (block.back() != '\0') block += '\0'; // the last item closed as the others are
    const std::size_t items = static_cast<std::size_t>(std::count(block.begin(), block.end(), '\0'));
    if (!fits(block.size() - items, items)) return false;
    block_start_.push_back(static_cast<std::uint32_t>(bytes_));
    ends_.reserve(ends_.size() + items);
    for (std::size_t at = block.find('\0'); at != std::string::npos; at = block.find('\0', at + 1))
        ends_.push_back(static_cast<std::uint32_t>(bytes_ + at + 1));
    bytes_ += block.size();
    blocks_.push_back(std::move(block));
    return true;
}

std::string_view SharedStrings::operator[](std::size_t i) const {
    const std::uint32_t start = i == 0 ? 0 : ends_[i - 1];
    const auto block = std::upper_bound(block_start_.begin(), block_start_.end(), start) - 1;
    const std::string& b = blocks_[static_cast<std::size_t>(block - block_start_.begin())];
    return std::string_view(b).substr(start - *block, ends_[i] - 1 - start);
}

} // namespace rt::sheet
