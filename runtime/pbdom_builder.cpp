#include "runtime/pbdom_builder.h"

#include "runtime/xml.h"

pbdom_document pbdom_builder::BuildFromString(const std::string& gbk_text) {
    parse_error_ = rt::XMLParseString(gbk_text);
    return {};
}
