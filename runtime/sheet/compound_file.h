// A compound document (the container of .xls workbooks and of encrypted
// office packages), read from memory: its header, allocation tables and
// directory, and the streams at the top of its storage tree. The file is
// outside input: every sector number, chain and length is checked against
// the bytes there are, and every walk is bounded by the number of sectors.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace rt {

class CompoundFile {
public:
    // Takes the file's bytes; false when they are no sound compound
    // document (header, allocation table or directory damaged).
    bool parse(std::string data);

    // Whether the root storage holds a stream of this name (ASCII, compared
    // without case).
    bool has_stream(const std::string& name) const;
    // The whole stream of that name at the root; false when there is none or
    // its chain of sectors is damaged.
    bool stream(const std::string& name, std::string& out) const;

private:
    struct Entry {
        std::string name; // UTF-16 name with every unit below 0x80 kept, others as '?'
        unsigned type = 0;
        std::uint32_t left = 0, right = 0, child = 0;
        std::uint32_t start = 0;
        std::uint64_t size = 0;
    };

    std::uint32_t u32(std::size_t at) const;
    std::size_t sector_count() const;
    bool chain(std::uint32_t start, const std::vector<std::uint32_t>& table, std::vector<std::uint32_t>& out,
               std::size_t limit) const;
    bool read_chain(std::uint32_t start, std::uint64_t size, std::string& out) const;
    bool read_entry(const Entry& e, std::string& out) const;
    const Entry* find(const std::string& name) const;

    std::string data_;
    std::size_t sector_size_ = 512;
    std::uint32_t mini_cutoff_ = 4096;
    std::vector<std::uint32_t> fat_;
    std::vector<std::uint32_t> mini_fat_;
    std::vector<Entry> entries_;
    std::vector<std::size_t> top_; // entries that are children of the root
    std::string mini_stream_;
};

} // namespace rt
