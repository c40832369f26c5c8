// Reads an encrypted entry of an archive open for reading. The distribution's
// minizip has no decryption of its own, so the entry is opened raw: its bytes
// are decrypted here and, when deflated, inflated here as well, and the CRC
// is checked as minizip checks an ordinary entry.
#pragma once

#include "zip/zip_crypto.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string_view>

#include <minizip/unzip.h>
#include <zlib.h>

class encrypted_entry_reader {
public:
    // The open's answer when the header's check byte does not match: the
    // password is wrong, and nothing is left open.
    static constexpr int wrong_password = -106;

    // Opens the archive's current entry. UNZ_OK with `reader` set, or a
    // negative code with the entry closed again.
    static int open(unzFile uf, std::string_view password, std::unique_ptr<encrypted_entry_reader>& reader);

    ~encrypted_entry_reader();
    encrypted_entry_reader(const encrypted_entry_reader&) = delete;
    encrypted_entry_reader& operator=(const encrypted_entry_reader&) = delete;

    // As unzReadCurrentFile: the count delivered, 0 at the end of the entry,
    // a negative code on failure.
    int read(unsigned char* out, unsigned len);
    // As unzCloseCurrentFile: UNZ_CRCERROR when the whole entry was read and
    // its CRC does not match.
    int close();

private:
    encrypted_entry_reader(unzFile uf, zip_crypto crypto, const unz_file_info64& info);

    int fill();
    unsigned inflate_into(unsigned char* out, unsigned want, int& error);
    void release();

    unzFile uf_;
    zip_crypto crypto_;
    std::uint32_t method_;
    std::uint32_t expected_crc_;
    std::uint64_t remaining_; // uncompressed bytes not yet delivered
    std::uint32_t crc_ = 0;
    z_stream z_{};
    bool inflating_ = false;
    bool open_ = true;
    bool raw_end_ = false;
    bool stream_end_ = false;
    int error_ = 0;
    std::array<unsigned char, 8192> in_{};
    unsigned char* next_ = nullptr;
    unsigned avail_ = 0;
};
