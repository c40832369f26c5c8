// Builds XML documents from GBK text, by the same rules and limits as
// rt::XMLParseString (runtime/xml.h).
#pragma once

#include "runtime/pbdom_document.h"

#include <string>

class pbdom_builder {
public:
    // The document; an invalid one (IsValid() false) when the text fails the
    // well-formedness check, whose code GetParseError() then answers.
    pbdom_document BuildFromString(const std::string& gbk_text);
    int GetParseError() const { return parse_error_; }

private:
    int parse_error_ = 0;
};
