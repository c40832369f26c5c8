// Shared by the XML check and the document classes: one parse, one owner of
// the parsed tree. Not for use outside runtime/.
#pragma once

#include <libxml/tree.h>

#include <memory>
#include <string>

namespace rt::xml_detail {

struct Document {
    explicit Document(xmlDocPtr d) : doc(d) {}
    ~Document() { xmlFreeDoc(doc); }
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;
    xmlDocPtr doc;
};

// Parses GBK text under the rules of runtime/xml.h. Answers the check's
// code and, when it is 0 and `out` is given, the document.
int parse(const std::string& gbk_text, std::shared_ptr<const Document>* out);

// libxml2 hands out UTF-8; the program works in GBK.
std::string to_gbk(const xmlChar* utf8);

} // namespace rt::xml_detail
