#include "runtime/gbk.h"

#include <cerrno>
#include <iconv.h>

namespace rt {
namespace {

// iconv descriptors are not thread-safe; one per thread and direction.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts the whole input; an unconvertible sequence of `bad_len` bytes
    // is skipped and `replacement` written in its place.
    std::string run(std::string_view in, std::string_view replacement, bool gbk_input) {
        std::string out;
        out.reserve(in.size() * 3 / 2 + 8);
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char* src = const_cast<char*>(in.data());
        std::size_t left = in.size();
        char buf[4096];
        while (left > 0) {
            char* dst = buf;
            std::size_t room = sizeof buf;
            std::size_t r = iconv(cd_, &src, &left, &dst, &room);
            out.append(buf, static_cast<std::size_t>(dst - buf));
            if (r != static_cast<std::size_t>(-1)) continue;
            if (errno == E2BIG) continue;
            // EILSEQ or EINVAL: skip one unusable character and mark it.
            std::size_t skip = 1;
            if (gbk_input) {
                // A lead byte takes its trail byte with it, never an ASCII byte.
                skip = char_len_at(std::string_view(src, left), 0);
            } else {
                unsigned char c = static_cast<unsigned char>(*src);
                skip = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
                if (skip > left) skip = left;
            }
            src += skip;
            left -= skip;
            out.append(replacement);
        }
        return out;
    }

private:
    iconv_t cd_;
};

} // namespace

std::string gbk_to_utf8(std::string_view gbk) {
    // Plain ASCII is the common case (numbers, keys, XML names): no iconv.
    bool ascii = true;
    for (unsigned char c : gbk)
        if (c >= 0x80) { ascii = false; break; }
    if (ascii) return std::string(gbk);
    thread_local Converter c("UTF-8", "CP936");
    return c.run(gbk, "\xEF\xBF\xBD", true);
}

std::string utf8_to_gbk(std::string_view utf8) {
    bool ascii = true;
    for (unsigned char c : utf8)
        if (c >= 0x80) { ascii = false; break; }
    if (ascii) return std::string(utf8);
    thread_local Converter c("CP936", "UTF-8");
    return c.run(utf8, "?", false);
}

std::string gb18030_to_utf8(std::string_view gb) {
    bool ascii = true;
    for (unsigned char c : gb)
        if (c >= 0x80) { ascii = false; break; }
    if (ascii) return std::string(gb);
    thread_local Converter c("UTF-8", "GB18030");
    return c.run(gb, "\xEF\xBF\xBD", true);
}

std::string utf8_to_gb18030(std::string_view utf8) {
    bool ascii = true;
    for (unsigned char c : utf8)
        if (c >= 0x80) { ascii = false; break; }
    if (ascii) return std::string(utf8);
    thread_local Converter c("GB18030", "UTF-8");
    return c.run(utf8, "?", false);
}

} // namespace rt
