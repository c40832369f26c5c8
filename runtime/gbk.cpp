#include "runtime/gbk.h"

#include <cerrno>
#include <iconv.h>

namespace rt {
namespace {

enum class Input { gbk, utf8, utf16le, utf16be };

// Bytes to pass over at an unusable character at the start of `s`: the whole
// character, and never a byte that starts the next one, so that a tab or a
// line break after a broken character survives.
std::size_t unusable_length(std::string_view s, Input kind) {
    switch (kind) {
    case Input::gbk: return char_len_at(s, 0); // a lead byte takes its trail byte, never an ASCII byte
    case Input::utf8: {
        const unsigned char c = static_cast<unsigned char>(s[0]);
        const std::size_t want = c >= 0xF8 ? 1 : c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        std::size_t n = 1;
        while (n < want && n < s.size() && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) ++n;
        return n;
    }
    case Input::utf16le:
    case Input::utf16be: {
        if (s.size() < 2) return s.size();
        const auto unit = [&](std::size_t i) {
            const auto a = static_cast<unsigned char>(s[i]), b = static_cast<unsigned char>(s[i + 1]);
            return kind == Input::utf16le ? (b << 8 | a) : (a << 8 | b);
        };
        const int u = unit(0);
        if (u >= 0xD800 && u <= 0xDBFF && s.size() >= 4) {
            const int low = unit(2);
            if (low >= 0xDC00 && low <= 0xDFFF) return 4; // a pair: one character
        }
        return 2;
    }
    }
    return 1;
}

// iconv descriptors are not thread-safe; one per thread and direction.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts the whole input; an unconvertible character, or a sequence
    // that is no character of the input encoding, is skipped and
    // `replacement` written in its place.
    std::string run(std::string_view in, std::string_view replacement, Input kind) {
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
            const std::size_t skip = unusable_length(std::string_view(src, left), kind);
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
    return c.run(gbk, "\xEF\xBF\xBD", Input::gbk);
}

std::string utf8_to_gbk(std::string_view utf8) { return utf8_to_gbk(utf8, "?"); }

std::string utf8_to_gbk(std::string_view utf8, std::string_view unheld) {
    bool ascii = true;
    for (unsigned char c : utf8)
        if (c >= 0x80) { ascii = false; break; }
    if (ascii) return std::string(utf8);
    thread_local Converter c("CP936", "UTF-8");
    return c.run(utf8, unheld, Input::utf8);
}

std::string utf16_to_gbk(std::string_view utf16, ByteOrder order, std::string_view unheld) {
    if (order == ByteOrder::little) {
        thread_local Converter c("CP936", "UTF-16LE");
        return c.run(utf16, unheld, Input::utf16le);
    }
    thread_local Converter c("CP936", "UTF-16BE");
    return c.run(utf16, unheld, Input::utf16be);
}

std::string utf16_to_utf8(std::string_view utf16, ByteOrder order, std::string_view unheld) {
    if (order == ByteOrder::little) {
        thread_local Converter c("UTF-8", "UTF-16LE");
        return c.run(utf16, unheld, Input::utf16le);
    }
    thread_local Converter c("UTF-8", "UTF-16BE");
    return c.run(utf16, unheld, Input::utf16be);
}

std::string gb18030_to_utf8(std::string_view gb) {
    bool ascii = true;
    for (unsigned char c : gb)
        if (c >= 0x80) { ascii = false; break; }
    if (ascii) return std::string(gb);
    thread_local Converter c("UTF-8", "GB18030");
    return c.run(gb, "\xEF\xBF\xBD", Input::gbk);
}

std::string utf8_to_gb18030(std::string_view utf8) {
    bool ascii = true;
    for (unsigned char c : utf8)
        if (c >= 0x80) { ascii = false; break; }
    if (ascii) return std::string(utf8);
    thread_local Converter c("GB18030", "UTF-8");
    return c.run(utf8, "?", Input::utf8);
}

} // namespace rt
