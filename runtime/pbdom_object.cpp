#include "runtime/pbdom_object.h"

#include "runtime/xml_document.h"

std::string pbdom_object::GetName() const {
    if (!node_) return {};
    switch (node_->type) {
    case XML_ELEMENT_NODE:
    case XML_PI_NODE:
    case XML_ENTITY_REF_NODE: return rt::xml_detail::to_gbk(node_->name);
    case XML_TEXT_NODE: return "#text";
    case XML_CDATA_SECTION_NODE: return "#cdata-section";
    case XML_COMMENT_NODE: return "#comment";
    case XML_DOCUMENT_NODE: return "#document";
    default: return {};
    }
}

std::string pbdom_object::GetText() const {
    if (!node_) return {};
    if (node_->type != XML_ELEMENT_NODE) return rt::xml_detail::to_gbk(node_->content);
    std::string text;
    for (const xmlNode* child = node_->children; child; child = child->next)
        if (child->type == XML_TEXT_NODE || child->type == XML_CDATA_SECTION_NODE)
            text += rt::xml_detail::to_gbk(child->content);
    return text;
}
