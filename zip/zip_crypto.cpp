#include "zip/zip_crypto.h"

#include <random>

#include <zlib.h>

namespace {

std::uint32_t crc32_byte(std::uint32_t crc, unsigned char b) {
    static const z_crc_t* table = get_crc_table();
    return table[(crc ^ b) & 0xFF] ^ (crc >> 8);
}

} // namespace

zip_crypto::zip_crypto(std::string_view password)
    : key0_(0x12345678u), key1_(0x23456789u), key2_(0x34567890u) {
    for (char c : password) update_keys(static_cast<unsigned char>(c));
}

unsigned char zip_crypto::stream_byte() const {
    std::uint32_t t = (key2_ | 2u) & 0xFFFFu;
    return static_cast<unsigned char>(((t * (t ^ 1u)) >> 8) & 0xFFu);
}

void zip_crypto::update_keys(unsigned char plain) {
    key0_ = crc32_byte(key0_, plain);
    key1_ = (key1_ + (key0_ & 0xFFu)) * 134775813u + 1u;
    key2_ = crc32_byte(key2_, static_cast<unsigned char>(key1_ >> 24));
}

void zip_crypto::decrypt(unsigned char* p, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        p[i] ^= stream_byte();
        update_keys(p[i]);
    }
}

void zip_crypto::encrypt(unsigned char* p, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char k = stream_byte();
        update_keys(p[i]);
        p[i] ^= k;
    }
}

std::array<unsigned char, zip_crypto::header_size> zip_crypto::make_header(std::uint32_t crc) {
    std::array<unsigned char, header_size> h{};
    std::random_device rd;
    std::uniform_int_distribution<int> byte(0, 255);
    for (std::size_t i = 0; i + 2 < header_size; ++i) h[i] = static_cast<unsigned char>(byte(rd));
    h[header_size - 2] = static_cast<unsigned char>((crc >> 16) & 0xFFu);
    h[header_size - 1] = static_cast<unsigned char>((crc >> 24) & 0xFFu);
    encrypt(h.data(), h.size());
    return h;
}

unsigned char zip_crypto::check_byte(std::uint32_t flag, std::uint32_t crc, std::uint32_t dos_date) {
    if (flag & 8u) return static_cast<unsigned char>((dos_date >> 8) & 0xFFu);
    return static_cast<unsigned char>((crc >> 24) & 0xFFu);
}
