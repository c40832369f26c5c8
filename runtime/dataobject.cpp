#include "runtime/dataobject.h"

#include "runtime/strings.h"

#include <map>
#include <mutex>

namespace rt {

std::string coltype_text(ColType type, int length) {
    switch (type) {
    case ColType::Char: return "char(" + std::to_string(length) + ")";
    case ColType::Number: return "number";
    case ColType::Long: return "long";
    case ColType::ULong: return "ulong";
    case ColType::Int: return "int";
    case ColType::Decimal: return "decimal(" + std::to_string(length) + ")";
    case ColType::Real: return "real";
    case ColType::Double: return "double";
    case ColType::Date: return "date";
    case ColType::DateTime: return "datetime";
    case ColType::Time: return "time";
    }
    return "!";
}

namespace {
std::map<std::string, DataObject>& registry() {
    static std::map<std::string, DataObject> objects;
    return objects;
}
std::mutex registry_mutex;
} // namespace

void register_dataobject(const DataObject& object) {
    std::lock_guard lock(registry_mutex);
    registry()[Lower(object.name)] = object;
}

DataObject registered(DataObject object) {
    register_dataobject(object);
    return object;
}

const DataObject* find_dataobject(const std::string& name) {
    std::lock_guard lock(registry_mutex);
    auto it = registry().find(Lower(name));
    return it == registry().end() ? nullptr : &it->second;
}

} // namespace rt
