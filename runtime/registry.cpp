#include "runtime/registry.h"

#include "runtime/gbk.h"
#include "runtime/strings.h"

#include <QLocale>
#include <QString>

namespace rt {

std::string thousands_separator() {
    const QString sep = QLocale::system().groupSeparator();
    if (sep.isEmpty()) return ",";
    const std::string gbk = utf8_to_gbk(sep.toUtf8().toStdString());
    // A character outside GBK comes back as "?", which would then be cut out
    // of every number text.
    if (gbk.empty() || gbk.find('?') != std::string::npos) return ",";
    return gbk;
}

int RegistryGet(const std::string& key, const std::string& valuename, std::string& value) {
    if (Lower(key) == Lower("HKEY_CURRENT_USER\\Control Panel\\International") && Lower(valuename) == "sthousand") {
        value = thousands_separator();
        return 1;
    }
    return -1;
}

} // namespace rt
