// The runtime's check that a text is well-formed XML. The text is GBK: it is
// decoded to UTF-8 and parsed with any declared encoding overridden, since
// the gateway's answers may declare utf-8 or gb2312 while the bytes are GBK.
// Answers are untrusted: nothing is fetched from the network, and a text
// holding a document type declaration (the only way to declare entities or
// to name external ones) is refused.
#pragma once

#include <cstddef>
#include <string>

namespace rt {

inline constexpr int xml_well_formed = 0;
inline constexpr int xml_empty = -1;          // the empty text
inline constexpr int xml_too_large = -2;      // more than xml_max_bytes
inline constexpr int xml_not_well_formed = -3;
inline constexpr int xml_doctype = -4;        // a DOCTYPE: DTDs and entities are refused

inline constexpr std::size_t xml_max_bytes = 1u << 20;

// xml_well_formed (0), or one of the stable codes above.
int XMLParseString(const std::string& gbk_text);

} // namespace rt
