#include "runtime/sheet/compound_file.h"

#include <algorithm>
#include <cstring>

namespace rt {

namespace {

constexpr std::size_t header_size = 512;
constexpr std::uint32_t end_of_chain = 0xFFFFFFFE;
constexpr std::uint32_t no_entry = 0xFFFFFFFF;
constexpr std::size_t entry_size = 128;
constexpr std::size_t mini_sector = 64;
const unsigned char signature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool same_name(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i])) return false;
    return true;
}

} // namespace

std::uint32_t CompoundFile::u32(std::size_t at) const {
    const auto* b = reinterpret_cast<const unsigned char*>(data_.data()) + at;
    return b[0] | (std::uint32_t{b[1]} << 8) | (std::uint32_t{b[2]} << 16) | (std::uint32_t{b[3]} << 24);
}

// Sectors after the header; the file was padded to whole sectors, since
// some writers leave the last one short.
std::size_t CompoundFile::sector_count() const { return data_.size() / sector_size_ - 1; }

// The sectors of a chain in `table`, at most `limit` of them; false when the
// chain leaves the table or the file, or loops.
bool CompoundFile::chain(std::uint32_t start, const std::vector<std::uint32_t>& table,
                         std::vector<std::uint32_t>& out, std::size_t limit) const {
    out.clear();
    std::uint32_t s = start;
    while (s != end_of_chain) {
        if (s >= table.size() || out.size() >= limit) return false;
        out.push_back(s);
        s = table[s];
    }
    return true;
}

bool CompoundFile::parse(std::string data) {
    data_ = std::move(data);
    fat_.clear();
    mini_fat_.clear();
    entries_.clear();
    top_.clear();
    mini_stream_.clear();
    if (data_.size() < header_size || std::memcmp(data_.data(), signature, sizeof signature) != 0) return false;
    const std::uint32_t shift = u32(0x1E) & 0xFFFF;
    if (shift != 9 && shift != 12) return false;
    sector_size_ = std::size_t{1} << shift;
    if (data_.size() % sector_size_ != 0) data_.resize((data_.size() / sector_size_ + 1) * sector_size_, '\0');
    if (data_.size() < 2 * sector_size_) return false;
    const std::size_t sectors = sector_count();
    mini_cutoff_ = u32(0x38);

    // The allocation table's own sectors: 109 named in the header, the rest
    // in a chain of list sectors, each ending with the next one's number.
    const std::uint32_t fat_count = u32(0x2C);
    if (fat_count == 0 || fat_count > sectors) return false;
    std::vector<std::uint32_t> fat_sectors;
    for (std::size_t i = 0; i < 109 && fat_sectors.size() < fat_count; ++i) fat_sectors.push_back(u32(0x4C + 4 * i));
    std::uint32_t list = u32(0x44);
    const std::size_t per_list = sector_size_ / 4 - 1;
    for (std::size_t hops = 0; fat_sectors.size() < fat_count; ++hops) {
        if (hops >= sectors || list >= sectors) return false;
        const std::size_t at = (std::size_t{list} + 1) * sector_size_;
        for (std::size_t i = 0; i < per_list && fat_sectors.size() < fat_count; ++i) fat_sectors.push_back(u32(at + 4 * i));
        list = u32(at + 4 * per_list);
    }
    const std::size_t per_sector = sector_size_ / 4;
    fat_.reserve(fat_sectors.size() * per_sector);
    for (std::uint32_t s : fat_sectors) {
        if (s >= sectors) return false;
        const std::size_t at = (std::size_t{s} + 1) * sector_size_;
        for (std::size_t i = 0; i < per_sector; ++i) fat_.push_back(u32(at + 4 * i));
    }
    // Numbers past the file end a chain as damaged, wherever the table points.
    if (fat_.size() > sectors) fat_.resize(sectors);

    std::string directory;
    std::vector<std::uint32_t> dir_chain;
    if (!chain(u32(0x30), fat_, dir_chain, sectors)) return false;
    for (std::uint32_t s : dir_chain) directory.append(data_, (std::size_t{s} + 1) * sector_size_, sector_size_);
    for (std::size_t at = 0; at + entry_size <= directory.size(); at += entry_size) {
        const auto* b = reinterpret_cast<const unsigned char*>(directory.data()) + at;
        const auto le32 = [b](std::size_t o) {
            return b[o] | (std::uint32_t{b[o + 1]} << 8) | (std::uint32_t{b[o + 2]} << 16) | (std::uint32_t{b[o + 3]} << 24);
        };
        Entry e;
        const std::size_t name_bytes = std::min<std::size_t>(b[0x40] | (b[0x41] << 8), 64);
        for (std::size_t i = 0; i + 1 < name_bytes; i += 2) {
            const unsigned unit = b[i] | (b[i + 1] << 8);
            if (unit == 0) break;
            e.name += unit < 0x80 ? static_cast<char>(unit) : '?';
        }
        e.type = b[0x42];
        e.left = le32(0x44);
        e.right = le32(0x48);
        e.child = le32(0x4C);
        e.start = le32(0x74);
        // Version 3 files may leave anything in the size's upper half.
        e.size = shift == 9 ? le32(0x78) : le32(0x78) | (std::uint64_t{le32(0x7C)} << 32);
        entries_.push_back(std::move(e));
    }
    if (entries_.empty() || entries_[0].type != 5) return false;

    // The root's children are one tree of siblings under its child entry.
    std::vector<std::uint32_t> pending{entries_[0].child};
    std::vector<bool> seen(entries_.size(), false);
    seen[0] = true;
    while (!pending.empty()) {
        const std::uint32_t i = pending.back();
        pending.pop_back();
        if (i == no_entry) continue;
        if (i >= entries_.size() || seen[i]) return false;
        seen[i] = true;
        top_.push_back(i);
        pending.push_back(entries_[i].left);
        pending.push_back(entries_[i].right);
    }

    // Small streams live in the mini stream, the root entry's own chain.
    const std::uint32_t mini_count = u32(0x40);
    if (mini_count > 0 && u32(0x3C) != end_of_chain) {
        std::vector<std::uint32_t> mini_chain;
        if (!chain(u32(0x3C), fat_, mini_chain, std::min<std::size_t>(mini_count, sectors))) return false;
        for (std::uint32_t s : mini_chain) {
            const std::size_t at = (std::size_t{s} + 1) * sector_size_;
            for (std::size_t i = 0; i < per_sector; ++i) mini_fat_.push_back(u32(at + 4 * i));
        }
        if (!read_chain(entries_[0].start, entries_[0].size, mini_stream_)) return false;
        if (mini_fat_.size() > mini_stream_.size() / mini_sector) mini_fat_.resize(mini_stream_.size() / mini_sector);
    }
    return true;
}

// The first `count` sectors of a chain, each of `unit` bytes in `from`; a
// chain may run on past the stream's end, but not end before it.
namespace {
bool gather(std::uint32_t start, std::size_t count, const std::vector<std::uint32_t>& table, const std::string& from,
            std::size_t unit, std::size_t first, std::string& out) {
    out.reserve(count * unit);
    std::uint32_t s = start;
    for (std::size_t i = 0; i < count; ++i) {
        if (s >= table.size() || first + (std::size_t{s} + 1) * unit > from.size()) return false;
        out.append(from, first + std::size_t{s} * unit, unit);
        s = table[s];
    }
    return true;
}
} // namespace

bool CompoundFile::read_chain(std::uint32_t start, std::uint64_t size, std::string& out) const {
    out.clear();
    if (size > data_.size()) return false;
    const std::size_t needed = static_cast<std::size_t>((size + sector_size_ - 1) / sector_size_);
    if (!gather(start, needed, fat_, data_, sector_size_, sector_size_, out)) return false;
    out.resize(static_cast<std::size_t>(size));
    return true;
}

bool CompoundFile::read_entry(const Entry& e, std::string& out) const {
    if (e.size >= mini_cutoff_) return read_chain(e.start, e.size, out);
    out.clear();
    if (e.size > mini_stream_.size()) return false;
    const std::size_t needed = static_cast<std::size_t>((e.size + mini_sector - 1) / mini_sector);
    if (!gather(e.start, needed, mini_fat_, mini_stream_, mini_sector, 0, out)) return false;
    out.resize(static_cast<std::size_t>(e.size));
    return true;
}

const CompoundFile::Entry* CompoundFile::find(const std::string& name) const {
    for (std::size_t i : top_)
        if (entries_[i].type == 2 && same_name(entries_[i].name, name)) return &entries_[i];
    return nullptr;
}

bool CompoundFile::has_stream(const std::string& name) const { return find(name) != nullptr; }

bool CompoundFile::stream(const std::string& name, std::string& out) const {
    const Entry* e = find(name);
    return e && read_entry(*e, out);
}

} // namespace rt
