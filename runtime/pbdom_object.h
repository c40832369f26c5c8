// A node of a parsed XML document: element, text, comment, CDATA section or
// processing instruction. Handles are small values that keep their document
// alive; a default-constructed handle (or one from a failed build) is not
// valid and answers empty names, empty texts and no content.
#pragma once

#include <memory>
#include <string>

struct _xmlNode;

namespace rt::xml_detail {
struct Document;
}

class pbdom_object {
public:
    pbdom_object() = default;
    virtual ~pbdom_object() = default;

    bool IsValid() const { return node_ != nullptr; }

    // GBK. Elements and processing instructions answer their own name;
    // other nodes "#text", "#comment", "#cdata-section" or "#document".
    std::string GetName() const;
    // GBK. An element answers the text and CDATA directly inside it
    // (untrimmed, nested elements left out); a text, CDATA or comment node
    // its content; a processing instruction its data.
    std::string GetText() const;

protected:
    friend class pbdom_element; // makes the handles of its children
    pbdom_object(std::shared_ptr<const rt::xml_detail::Document> doc, const _xmlNode* node)
        : doc_(std::move(doc)), node_(node) {}

    std::shared_ptr<const rt::xml_detail::Document> doc_;
    const _xmlNode* node_ = nullptr;
};
