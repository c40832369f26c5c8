#include "runtime/xml.h"

#include "runtime/gbk.h"
#include "runtime/xml_attributes.h"
#include "runtime/xml_document.h"

#include <libxml/parser.h>
#include <libxml/parserInternals.h>

#include <mutex>

namespace rt {

namespace xml_detail {

namespace {

// Nothing outside the text itself is ever read: no DTD, no external entity.
xmlParserInputPtr no_external_input(const char*, const char*, xmlParserCtxtPtr) { return nullptr; }

void init_once() {
    static std::once_flag once;
    std::call_once(once, [] {
        xmlInitParser();
        xmlSetExternalEntityLoader(no_external_input);
    });
}

struct ParseState {
    bool doctype = false;
};

// A DOCTYPE is where entities are declared (an expansion bomb) or named
// outside the text (an external entity); the gateway never sends one, so
// the parse stops right there.
void on_doctype(void* ctx, const xmlChar*, const xmlChar*, const xmlChar*) {
    auto* ctxt = static_cast<xmlParserCtxtPtr>(ctx);
    static_cast<ParseState*>(ctxt->_private)->doctype = true;
    xmlStopParser(ctxt);
}

// Named as the encoding, "UTF-8" makes the parser pass the text through a
// UTF-8 to UTF-8 converter, chunk by chunk, which costs a gateway answer
// more than its parse. Without a name the parser reads UTF-8 as it is;
// it would then take a text whose first bytes hold a 0 byte for UTF-16 or
// UCS-4, but no UTF-8 text begins that way, so such a text is still read
// with the name, as UTF-8.
//
// Otherwise the parser's own memory reader is set up as xmlCtxtReadMemory
// does it, the text copied into the parser's buffer (which ends in a 0
// byte) - with one difference: the reader is told that nothing more can
// come. Left as it is, the parser asks it for more text some seventy
// times in an answer shorter than its look-ahead, each asking going
// through the whole buffer growing for nothing: a third of an answer's
// parse. With no read callback every such asking ends at its first test.
xmlDocPtr read_utf8(xmlParserCtxtPtr ctxt, const std::string& utf8, int options) {
    const int size = static_cast<int>(utf8.size());
    if (utf8.find('\0') < 4) return xmlCtxtReadMemory(ctxt, utf8.data(), size, nullptr, "UTF-8", options);
    xmlCtxtReset(ctxt);
    xmlParserInputBufferPtr buffer = xmlParserInputBufferCreateMem(utf8.data(), size, XML_CHAR_ENCODING_NONE);
    if (!buffer) return nullptr;
    // Without a converter all the text is in the buffer now; with one (never
    // here) a later asking would convert the rest, so the reader stays.
    if (!buffer->encoder) buffer->readcallback = nullptr;
    xmlParserInputPtr input = xmlNewIOInputStream(ctxt, buffer, XML_CHAR_ENCODING_NONE);
    if (!input) {
        xmlFreeParserInputBuffer(buffer);
        return nullptr;
    }
    inputPush(ctxt, input);
    xmlCtxtUseOptions(ctxt, options);
    xmlParseDocument(ctxt);
    xmlDocPtr doc = ctxt->myDoc;
    ctxt->myDoc = nullptr;
    if (doc && !ctxt->wellFormed) {
        xmlFreeDoc(doc);
        doc = nullptr;
    }
    return doc;
}

} // namespace

int parse(const std::string& gbk_text, std::shared_ptr<const Document>* out) {
    if (gbk_text.empty()) return xml_empty;
    if (gbk_text.size() > xml_max_bytes) return xml_too_large;
    init_once();
    const std::string utf8 = gbk_to_utf8(gbk_text);
    // A start tag of too many attributes would hold the parser for minutes;
    // no answer comes near the limit, so it is an answer gone wrong.
    if (!xml_attributes_within(utf8)) return xml_not_well_formed;

    // One parser context per thread, reset by every read: making one costs
    // more than parsing a gateway answer, and the client reads one answer
    // per message sent.
    thread_local std::unique_ptr<xmlParserCtxt, void (*)(xmlParserCtxtPtr)> ctxt(xmlNewParserCtxt(),
                                                                                    xmlFreeParserCtxt);
    if (!ctxt) return xml_not_well_formed;
    ParseState state;
    ctxt->_private = &state;
    ctxt->sax->internalSubset = on_doctype;
    // The bytes were GBK and are UTF-8 now, whatever the declaration says.
    const int options = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_IGNORE_ENC;
    xmlDocPtr doc = read_utf8(ctxt.get(), utf8, options);
    auto owner = doc ? std::make_shared<const Document>(doc) : nullptr;
    if (state.doctype) return xml_doctype;
    if (!owner || !ctxt->wellFormed || !xmlDocGetRootElement(doc)) return xml_not_well_formed;
    ctxt->_private = nullptr;
    if (out) *out = std::move(owner);
    return xml_well_formed;
}

std::string to_gbk(const xmlChar* utf8) {
    return utf8 ? utf8_to_gbk(reinterpret_cast<const char*>(utf8)) : std::string();
}

} // namespace xml_detail

int XMLParseString(const std::string& gbk_text) { return xml_detail::parse(gbk_text, nullptr); }

} // namespace rt
