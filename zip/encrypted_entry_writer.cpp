#include "zip/encrypted_entry_writer.h"

#include <algorithm>
#include <array>
#include <climits>

encrypted_entry_writer::encrypted_entry_writer(std::string_view password) : crypto_(password) {
    init_ = deflateInit2(&z_, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
}

encrypted_entry_writer::~encrypted_entry_writer() {
    if (init_ == Z_OK) deflateEnd(&z_);
}

int encrypted_entry_writer::deflate_step(int flush) {
    std::array<unsigned char, 16384> out{};
    int rc;
    do {
        z_.next_out = out.data();
        z_.avail_out = static_cast<uInt>(out.size());
        rc = deflate(&z_, flush);
        if (rc == Z_STREAM_ERROR) return ZIP_INTERNALERROR;
        deflated_.append(reinterpret_cast<const char*>(out.data()), out.size() - z_.avail_out);
    } while (z_.avail_out == 0 || (flush == Z_FINISH && rc != Z_STREAM_END));
    return ZIP_OK;
}

int encrypted_entry_writer::write(const unsigned char* p, std::size_t n) {
    if (init_ != Z_OK) return ZIP_INTERNALERROR;
    while (n > 0) {
        uInt piece = static_cast<uInt>(std::min<std::size_t>(n, UINT_MAX / 2));
        crc_ = static_cast<std::uint32_t>(crc32(crc_, p, piece));
        size_ += piece;
        z_.next_in = const_cast<unsigned char*>(p);
        z_.avail_in = piece;
        int rc = deflate_step(Z_NO_FLUSH);
        if (rc != ZIP_OK) return rc;
        p += piece;
        n -= piece;
    }
    return ZIP_OK;
}

int encrypted_entry_writer::close(zipFile zf) {
    int rc = init_ == Z_OK ? deflate_step(Z_FINISH) : ZIP_INTERNALERROR;
    std::array<unsigned char, zip_crypto::header_size> head = crypto_.make_header(crc_);
    auto* data = reinterpret_cast<unsigned char*>(deflated_.data());
    crypto_.encrypt(data, deflated_.size());
    if (rc == ZIP_OK) rc = zipWriteInFileInZip(zf, head.data(), static_cast<unsigned>(head.size()));
    for (std::size_t at = 0; rc == ZIP_OK && at < deflated_.size();) {
        unsigned piece = static_cast<unsigned>(std::min<std::size_t>(deflated_.size() - at, UINT_MAX / 2));
        rc = zipWriteInFileInZip(zf, data + at, piece);
        at += piece;
    }
    // The entry is ended even after a failure, so that the archive stays whole.
    int closed = zipCloseFileInZipRaw64(zf, size_, crc_);
    deflated_.clear();
    return rc != ZIP_OK ? rc : closed;
}
