#include "runtime/pbdom_object.h"

std::string pbdom_object::GetName() const { return {}; }
std::string pbdom_object::GetText() const { return {}; }
