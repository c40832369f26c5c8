#include "runtime/pbdom_document.h"

pbdom_element pbdom_document::GetRootElement() const { return {}; }
