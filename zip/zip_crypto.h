// The zip format's traditional encryption: three 32-bit keys stirred by the
// password and then by every plain byte. Weak by today's measure, but it is
// what every zip reader understands for a password-protected entry.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

class zip_crypto {
public:
    // An encrypted entry's data start with a header of this many bytes.
    static constexpr std::size_t header_size = 12;

    explicit zip_crypto(std::string_view password);

    void decrypt(unsigned char* p, std::size_t n);
    void encrypt(unsigned char* p, std::size_t n);

    // The header that starts an entry's data, already encrypted: random
    // bytes, then the check bytes (the CRC's two high bytes) by which a
    // reader tells a wrong password at once.
    std::array<unsigned char, header_size> make_header(std::uint32_t crc);

    // The byte a reader compares with the last decrypted header byte: the
    // CRC's high byte, or the high byte of the DOS time when the sizes and
    // CRC follow the data (general-purpose flag bit 3).
    static unsigned char check_byte(std::uint32_t flag, std::uint32_t crc, std::uint32_t dos_date);

private:
    std::uint32_t key0_, key1_, key2_;

    unsigned char stream_byte() const;
    void update_keys(unsigned char plain);
};
