#include "runtime/pbdom_element.h"

bool pbdom_element::GetContent(std::vector<pbdom_object>& content) const {
    content.clear();
    return IsValid();
}
