// Writes an encrypted entry into an archive open for writing. The
// distribution's minizip has no encryption of its own, so the entry is opened
// raw: the data are deflated here and encrypted here.
//
// The deflated data stay in memory until the entry is closed, because the
// encryption header that precedes them carries the CRC of the data as its
// check byte; only at the close is the CRC of what was written known, and a
// header with any other CRC would make the entry unreadable with the right
// password.
#pragma once

#include "zip/zip_crypto.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include <minizip/zip.h>
#include <zlib.h>

class encrypted_entry_writer {
public:
    explicit encrypted_entry_writer(std::string_view password);
    ~encrypted_entry_writer();
    encrypted_entry_writer(const encrypted_entry_writer&) = delete;
    encrypted_entry_writer& operator=(const encrypted_entry_writer&) = delete;

    // Z_OK when the deflater is ready.
    int init_code() const { return init_; }

    // ZIP_OK, or a negative code.
    int write(const unsigned char* p, std::size_t n);
    // Ends the entry that `zf` holds open raw: header and data, then the
    // sizes and CRC. The result of the first step that failed, else ZIP_OK.
    int close(zipFile zf);

private:
    int deflate_step(int flush);

    zip_crypto crypto_;
    z_stream z_{};
    int init_;
    std::uint32_t crc_ = 0;
    std::uint64_t size_ = 0;
    std::string deflated_;
};
