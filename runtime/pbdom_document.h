// A parsed XML document, made by pbdom_builder.
#pragma once

#include "runtime/pbdom_element.h"
#include "runtime/pbdom_object.h"

class pbdom_document : public pbdom_object {
public:
    pbdom_document() = default;

    // The root element; an invalid handle when the document is invalid.
    pbdom_element GetRootElement() const;

private:
    friend class pbdom_builder;
    using pbdom_object::pbdom_object;
};
