#include "runtime/pbdom_builder.h"

#include "runtime/xml.h"
#include "runtime/xml_document.h"

pbdom_document pbdom_builder::BuildFromString(const std::string& gbk_text) {
    std::shared_ptr<const rt::xml_detail::Document> doc;
    parse_error_ = rt::xml_detail::parse(gbk_text, &doc);
    if (parse_error_ != rt::xml_well_formed) return {};
    const xmlNode* node = reinterpret_cast<const xmlNode*>(doc->doc);
    return pbdom_document(std::move(doc), node);
}
