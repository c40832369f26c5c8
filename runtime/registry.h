// The runtime's RegistryGet. This platform has no Windows registry; the one
// value that the system reads, the thousands separator that number texts
// are cleaned of (HKEY_CURRENT_USER\Control Panel\International, sThousand),
// comes from the locale.
#pragma once

#include <string>

namespace rt {

// 1 with the value, or -1 for a key or value that this platform cannot
// answer (the value is left as it was).
int RegistryGet(const std::string& key, const std::string& valuename, std::string& value);

// The locale's thousands separator in GBK; "," when the locale has none or
// its separator has no GBK form.
std::string thousands_separator();

} // namespace rt
