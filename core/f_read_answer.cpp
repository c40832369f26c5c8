#include "core/f_read_answer.h"

#include "runtime/pbdom_object.h"
#include "runtime/strings.h"

#include <vector>

int f_read_answer(const pbdom_element& pobj_element,
                  const std::function<void(const std::string& as_name, const std::string& as_text)>& as_field) {
    std::vector<pbdom_object> nodes;
    pobj_element.GetContent(nodes);
    if (nodes.empty()) return -1;
    for (const pbdom_object& node : nodes) {
        const std::string name = rt::Lower(node.GetName());
        const std::string text = node.GetText();
        if (name == "#text" || rt::Trim(text).empty()) continue;
        as_field(name, text);
    }
    return 1;
}
