#include "runtime/xml.h"

namespace rt {

int XMLParseString(const std::string& gbk_text) {
    return gbk_text.empty() ? xml_empty : xml_not_well_formed;
}

} // namespace rt
