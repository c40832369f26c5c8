#include "runtime/xml_attributes.h"

namespace rt {

namespace {

constexpr std::string_view comment_open = "--";      // after "<!"
constexpr std::string_view cdata_open = "[CDATA[";   // after "<!"

} // namespace

bool XmlAttributeCount::feed(std::string_view bytes) {
    for (const char c : bytes) {
        if (exceeded_) return false;
        if (width_ == Width::unknown) {
            first_[seen_++] = static_cast<std::uint8_t>(c);
            if (seen_ < 2) continue;
            const std::uint8_t a = first_[0], b = first_[1];
            if ((a == 0xFF && b == 0xFE) || (a == '<' && b == 0)) {
                width_ = Width::utf16le;
            } else if ((a == 0xFE && b == 0xFF) || (a == 0 && b == '<')) {
                width_ = Width::utf16be;
            } else {
                width_ = Width::bytes;
            }
            for (const std::uint8_t f : first_) {
                if (width_ == Width::bytes) {
                    unit(static_cast<char>(f));
                } else if (pending_ < 0) {
                    pending_ = f;
                } else {
                    const unsigned u = width_ == Width::utf16le ? (f << 8 | pending_) : (pending_ << 8 | f);
                    unit(u < 0x80 ? static_cast<char>(u) : '\x80');
                    pending_ = -1;
                }
            }
            continue;
        }
        if (width_ == Width::bytes) {
            unit(c);
        } else if (pending_ < 0) {
            pending_ = static_cast<std::uint8_t>(c);
        } else {
            const unsigned f = static_cast<std::uint8_t>(c);
            const unsigned u = width_ == Width::utf16le ? (f << 8 | unsigned(pending_)) : (unsigned(pending_) << 8 | f);
            // A unit past ASCII is character data to the count, whatever it is.
            unit(u < 0x80 ? static_cast<char>(u) : '\x80');
            pending_ = -1;
        }
    }
    return !exceeded_;
}

void XmlAttributeCount::open_markup() {
    state_ = State::open;
    shadow_ = Shadow::none;
}

// A comment or CDATA section has ended: in the tag that a "<" inside it
// began, if one is open, as the parser would be had it left the section
// early; otherwise in character data.
void XmlAttributeCount::section_ends() {
    if (shadow_ == Shadow::none) {
        state_ = State::text;
        return;
    }
    state_ = shadow_ == Shadow::tag ? State::tag : State::quoted;
    count_ = shadow_count_;
    quote_ = shadow_quote_;
    shadow_ = Shadow::none;
}

void XmlAttributeCount::unit(char c) {
    switch (state_) {
    case State::text:
        if (c == '<') state_ = State::open;
        break;
    case State::open:
        if (c == '<') {
        } else if (c == '!') {
            state_ = State::bang;
            matched_ = 0;
        } else if (c == '/') {
            state_ = State::other;
            quote_ = '/';
        } else if (c == '?') {
            state_ = State::other;
            quote_ = '?';
            matched_ = 0;
        } else {
            state_ = State::tag;
            count_ = 0;
            start_tag_char(c);
        }
        break;
    case State::bang: {
        // "<!--" or "<![CDATA[" as far as it has matched; anything else is a
        // declaration (only a DOCTYPE, which every reader refuses).
        const std::string_view target = quote_ == '[' ? cdata_open : comment_open;
        if (c == '<') {
            open_markup();
        } else if (matched_ == 0) {
            if (c == '-' || c == '[') {
                quote_ = c;
                matched_ = 1;
            } else {
                state_ = c == '>' ? State::text : State::declaration;
            }
        } else if (c == target[matched_]) {
            if (++matched_ == target.size()) {
                state_ = quote_ == '[' ? State::cdata : State::comment;
                matched_ = 0;
                shadow_ = Shadow::none;
            }
        } else {
            state_ = c == '>' ? State::text : State::declaration;
        }
        break;
    }
    case State::comment: // ends at "-->"
    case State::cdata:   // ends at "]]>"
        shadow_char(c);
        if (exceeded_) break;
        if (c == (state_ == State::comment ? '-' : ']')) {
            ++matched_;
        } else {
            if (c == '>' && matched_ >= 2) section_ends();
            matched_ = 0;
        }
        break;
    case State::declaration:
        if (c == '<') {
            open_markup();
        } else if (c == '>') {
            state_ = State::text;
        }
        break;
    case State::other:
        // An end tag ends at its ">", a processing instruction only at "?>".
        if (c == '<') {
            open_markup();
        } else if (quote_ == '/') {
            if (c == '>') state_ = State::text;
        } else {
            if (c == '>' && matched_) state_ = State::text;
            matched_ = c == '?';
        }
        break;
    case State::tag:
        start_tag_char(c);
        break;
    case State::quoted:
        if (c == quote_) {
            state_ = State::tag;
        } else if (c == '<') {
            open_markup();
        }
        break;
    }
}

// Every attribute has one "=" outside its quoted value; a malformed tag may
// count more, never fewer.
void XmlAttributeCount::start_tag_char(char c) {
    if (c == '"' || c == '\'') {
        quote_ = c;
        state_ = State::quoted;
    } else if (c == '=') {
        if (++count_ > limit_) exceeded_ = true;
    } else if (c == '>') {
        state_ = State::text;
    } else if (c == '<') {
        open_markup();
    }
}

// The same rules as a start tag's, for a tag that may begin inside a
// comment or CDATA section.
void XmlAttributeCount::shadow_char(char c) {
    if (c == '<') {
        shadow_ = Shadow::tag;
        shadow_count_ = 0;
        return;
    }
    if (shadow_ == Shadow::tag) {
        if (c == '"' || c == '\'') {
            shadow_quote_ = c;
            shadow_ = Shadow::quoted;
        } else if (c == '=') {
            if (++shadow_count_ > limit_) exceeded_ = true;
        } else if (c == '>') {
            shadow_ = Shadow::none;
        }
    } else if (shadow_ == Shadow::quoted && c == shadow_quote_) {
        shadow_ = Shadow::tag;
    }
}

bool xml_attributes_within(std::string_view text, std::size_t limit) {
    XmlAttributeCount count(limit);
    return count.feed(text);
}

} // namespace rt
