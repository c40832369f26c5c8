// The gateway base URL and the web base URL: fixed when the program is built
// (CMake cache variables VELOTRA_URL and VELOTRA_WEBURL) and replaced by the
// environment variables of the same names when they are set and not empty,
// so that the client can be pointed at a local gateway. Both end with "/".
#pragma once

#include <string>

namespace rt {

std::string gateway_base_url();
std::string web_base_url();

} // namespace rt
