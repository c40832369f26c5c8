// A gateway answer: the well-formedness check, the document builder and the
// one reading rule, on any bytes. The check and the builder must agree, and
// the rule must hand over only non-blank, lower-cased elements.
#include "core/f_read_answer.h"
#include "runtime/pbdom_builder.h"
#include "runtime/pbdom_document.h"
#include "runtime/strings.h"
#include "runtime/xml.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const int code = rt::XMLParseString(text);
    pbdom_builder builder;
    pbdom_document doc = builder.BuildFromString(text);
    if (builder.GetParseError() != code || doc.IsValid() != (code == rt::xml_well_formed)) std::abort();
    pbdom_element root = doc.GetRootElement();
    if (doc.IsValid() && !root.IsValid()) std::abort();
    f_read_answer(root, [](const std::string& name, const std::string& value) {
        if (name == "#text" || rt::Trim(value).empty() || rt::Lower(name) != name) std::abort();
    });
    std::vector<pbdom_object> nodes;
    root.GetContent(nodes);
    for (const pbdom_object& n : nodes) (void)n.GetText();
    return 0;
}
