#include "runtime/pbdom_element.h"

#include "runtime/xml_document.h"

bool pbdom_element::GetContent(std::vector<pbdom_object>& content) const {
    content.clear();
    if (!node_) return false;
    for (const xmlNode* child = node_->children; child; child = child->next) content.push_back({doc_, child});
    return true;
}
