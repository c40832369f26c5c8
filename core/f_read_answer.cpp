#include "core/f_read_answer.h"

#include "runtime/pbdom_object.h"
#include "runtime/strings.h"

#include <vector>

int f_read_answer(const pbdom_element& pobj_element,
                  const std::function<void(const std::string& as_name, const std::string& as_text)>& as_field) {
    std::vector<pbdom_object> nodes;
    // Room for a gateway answer's children, white space between them included.
    nodes.reserve(16);
    pobj_element.GetContent(nodes);
    if (nodes.empty()) return -1;
    for (const pbdom_object& node : nodes) {
        const std::string name = rt::Lower(node.GetName());
        // Every answer is read once per message sent: a text node is passed
        // over before its text is taken, and blankness is asked without a
        // trimmed copy (Trim takes spaces only, as here).
        if (name == "#text") continue;
        const std::string text = node.GetText();
        if (text.find_first_not_of(' ') == std::string::npos) continue;
        as_field(name, text);
    }
    return 1;
}
