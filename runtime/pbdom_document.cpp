#include "runtime/pbdom_document.h"

#include "runtime/xml_document.h"

pbdom_element pbdom_document::GetRootElement() const {
    if (!doc_) return {};
    const xmlNode* root = xmlDocGetRootElement(doc_->doc);
    return root ? pbdom_element(doc_, root) : pbdom_element();
}
