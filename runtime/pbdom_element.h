// An element of a parsed XML document.
#pragma once

#include "runtime/pbdom_object.h"

#include <vector>

class pbdom_element : public pbdom_object {
public:
    pbdom_element() = default;

    // Replaces `content` with the element's child nodes in document order,
    // text nodes included (the white space between elements arrives as
    // "#text" nodes). False, with `content` emptied, for an invalid handle.
    bool GetContent(std::vector<pbdom_object>& content) const;

private:
    friend class pbdom_document;
    using pbdom_object::pbdom_object;
};
