// A linear count of the attributes of every start tag, run over XML before
// libxml2 sees it. The installed libxml2 compares each attribute of a start
// tag with every one before it to find doubles, so a single tag of a few
// hundred thousand attributes (a megabyte of text) holds the parser for
// minutes. No gateway answer and no office part comes near the limit.
//
// The count is fed the bytes in pieces as they arrive (an inflating zip
// entry) and keeps its place between pieces: comments, CDATA sections,
// processing instructions, declarations, end tags and quoted attribute
// values are passed over, so an "=" inside them is never counted.
//
// The parser does not stop at its first error: it reads on, and a start
// tag it meets after one costs it as much as any other. So the count never
// takes the end of a construct on trust where the parser may end it sooner.
// A "<" ends a quoted value, an end tag, an instruction or a declaration
// and begins a tag, as it does for the parser (which refuses the "<" there
// and reads on at it). A comment or CDATA section may hold "<" as data,
// but the parser leaves one at a character it does not allow (a control
// byte, a broken sequence), so inside them every "<" starts a tag of its
// own count, kept until a ">" outside quotes; when the section ends inside
// such a tag, the count goes on in that tag. Text where a "<" begins
// nothing comes out of this a little over-counted, never under. A text
// that begins as UTF-16 (a byte-order mark, or "<" beside a zero byte) is
// read in 16-bit units; any other is read byte by byte, which is exact for
// UTF-8 and every encoding whose multi-byte characters hold no ASCII byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace rt {

inline constexpr std::size_t xml_max_attributes = 256;

class XmlAttributeCount {
public:
    explicit XmlAttributeCount(std::size_t limit = xml_max_attributes) : limit_(limit) {}

    // The next bytes of the text; false once a start tag has held more than
    // the limit, and from then on.
    bool feed(std::string_view bytes);
    bool exceeded() const { return exceeded_; }

private:
    enum class State : std::uint8_t {
        text,        // character data
        open,        // just after "<"
        bang,        // "<!": a comment, CDATA or a declaration follows
        comment,     // inside "<!--"
        cdata,       // inside "<![CDATA["
        declaration, // "<!" of anything else, up to ">"
        other,       // an end tag or a processing instruction, up to ">"
        tag,         // inside a start tag
        quoted,      // inside a quoted value of a start tag
    };
    enum class Width : std::uint8_t { unknown, bytes, utf16le, utf16be };

    // A tag looked for inside a comment or CDATA section.
    enum class Shadow : std::uint8_t { none, tag, quoted };

    void unit(char c);
    void start_tag_char(char c);
    void shadow_char(char c);
    void open_markup();
    void section_ends();

    std::size_t limit_;
    std::size_t count_ = 0;    // attributes of the open start tag
    std::size_t matched_ = 0;  // how far a "<!--", "<![CDATA[", "-->" or "]]>" has matched
    char quote_ = 0;
    State state_ = State::text;
    Width width_ = Width::unknown;
    bool exceeded_ = false;
    Shadow shadow_ = Shadow::none;
    std::size_t shadow_count_ = 0;
    char shadow_quote_ = 0;
    std::uint8_t first_[2] = {0, 0};
    std::size_t seen_ = 0;     // bytes fed so far, up to the two that decide the width
    int pending_ = -1;         // the first byte of a 16-bit unit split between pieces
};

// The whole text at once: true when no start tag holds more than the limit.
bool xml_attributes_within(std::string_view text, std::size_t limit = xml_max_attributes);

} // namespace rt
