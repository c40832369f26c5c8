#include "zip/encrypted_entry_reader.h"

#include <algorithm>
#include <cstring>

encrypted_entry_reader::encrypted_entry_reader(unzFile uf, zip_crypto crypto, const unz_file_info64& info)
    : uf_(uf), crypto_(crypto), method_(static_cast<std::uint32_t>(info.compression_method)),
      expected_crc_(static_cast<std::uint32_t>(info.crc)), remaining_(info.uncompressed_size) {}

encrypted_entry_reader::~encrypted_entry_reader() { release(); }

int encrypted_entry_reader::open(unzFile uf, std::string_view password,
                                 std::unique_ptr<encrypted_entry_reader>& reader) {
    reader.reset();
    unz_file_info64 info{};
    int rc = unzGetCurrentFileInfo64(uf, &info, nullptr, 0, nullptr, 0, nullptr, 0);
    if (rc != UNZ_OK) return rc;
    if (info.compression_method != 0 && info.compression_method != Z_DEFLATED) return UNZ_BADZIPFILE;
    int method = 0, level = 0;
    rc = unzOpenCurrentFile2(uf, &method, &level, 1);
    if (rc != UNZ_OK) return rc;

    std::array<unsigned char, zip_crypto::header_size> head{};
    unsigned got = 0;
    while (got < head.size()) {
        int n = unzReadCurrentFile(uf, head.data() + got, static_cast<unsigned>(head.size() - got));
        if (n <= 0) break;
        got += static_cast<unsigned>(n);
    }
    zip_crypto crypto(password);
    crypto.decrypt(head.data(), got);
    if (got < head.size()) {
        unzCloseCurrentFile(uf);
        return UNZ_BADZIPFILE;
    }
    if (head.back() != zip_crypto::check_byte(static_cast<std::uint32_t>(info.flag),
                                              static_cast<std::uint32_t>(info.crc),
                                              static_cast<std::uint32_t>(info.dosDate))) {
        unzCloseCurrentFile(uf);
        return wrong_password;
    }

    std::unique_ptr<encrypted_entry_reader> r(new encrypted_entry_reader(uf, crypto, info));
    if (r->method_ == Z_DEFLATED) {
        rc = inflateInit2(&r->z_, -MAX_WBITS);
        if (rc != Z_OK) return rc; // the reader's destructor closes the entry
        r->inflating_ = true;
    }
    reader = std::move(r);
    return UNZ_OK;
}

int encrypted_entry_reader::fill() {
    int n = unzReadCurrentFile(uf_, in_.data(), static_cast<unsigned>(in_.size()));
    if (n < 0) return n;
    if (n == 0) {
        raw_end_ = true;
        return 0;
    }
    crypto_.decrypt(in_.data(), static_cast<std::size_t>(n));
    next_ = in_.data();
    avail_ = static_cast<unsigned>(n);
    return n;
}

unsigned encrypted_entry_reader::inflate_into(unsigned char* out, unsigned want, int& error) {
    z_.next_in = next_;
    z_.avail_in = avail_;
    z_.next_out = out;
    z_.avail_out = want;
    int rc = inflate(&z_, Z_SYNC_FLUSH);
    unsigned made = want - z_.avail_out;
    next_ = z_.next_in;
    avail_ = z_.avail_in;
    if (rc == Z_STREAM_END) stream_end_ = true;
    else if (rc == Z_NEED_DICT) error = Z_DATA_ERROR;
    else if (rc != Z_OK && rc != Z_BUF_ERROR) error = rc;
    return made;
}

int encrypted_entry_reader::read(unsigned char* out, unsigned len) {
    if (error_) return error_;
    if (!open_) return UNZ_PARAMERROR;
    unsigned want = static_cast<unsigned>(std::min<std::uint64_t>(len, remaining_));
    unsigned produced = 0;
    while (produced < want && !stream_end_) {
        if (avail_ == 0) {
            if (raw_end_) break;
            int rc = fill();
            if (rc < 0) return error_ = rc;
            if (rc == 0) break;
        }
        if (method_ == 0) {
            unsigned n = std::min(avail_, want - produced);
            std::memcpy(out + produced, next_, n);
            next_ += n;
            avail_ -= n;
            produced += n;
            continue;
        }
        int error = 0;
        unsigned before = avail_;
        unsigned made = inflate_into(out + produced, want - produced, error);
        produced += made;
        if (error) return error_ = error;
        // Neither input taken nor output made: the stream cannot go on.
        if (made == 0 && avail_ == before && !stream_end_) return error_ = Z_DATA_ERROR;
    }
    crc_ = static_cast<std::uint32_t>(crc32(crc_, out, produced));
    remaining_ -= produced;
    return static_cast<int>(produced);
}

int encrypted_entry_reader::close() {
    if (!open_) return UNZ_PARAMERROR;
    int rc = (remaining_ == 0 && crc_ != expected_crc_) ? UNZ_CRCERROR : UNZ_OK;
    release();
    return rc;
}

void encrypted_entry_reader::release() {
    if (inflating_) inflateEnd(&z_);
    inflating_ = false;
    if (open_) unzCloseCurrentFile(uf_);
    open_ = false;
}
