// The one reading rule of every gateway answer, behind
// n_cst_manager::of_read_answer. It lives apart from the manager so that
// the fuzz targets (fuzz/) can run it without the windows: it holds no
// literal outside ASCII and includes nothing but the quiet runtime.
#pragma once

#include "runtime/pbdom_element.h"

#include <functional>
#include <string>

// The root element's children by lower-cased name, text nodes and blank
// elements passed over; calls as_field(name, text) for each. -1, calling
// nothing, when the element has no child nodes; 1 otherwise.
int f_read_answer(const pbdom_element& pobj_element,
                  const std::function<void(const std::string& as_name, const std::string& as_text)>& as_field);
