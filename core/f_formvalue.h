// A field value of the gateway's form body. The body goes as GBK bytes,
// unescaped, except the three bytes that any form decoder reads as syntax:
// "%" becomes "%25", "&" "%26" and "+" "%2B". Without this a password or a
// message holding "&" would be cut at it, and "+" would arrive as a blank.
#pragma once

#include <string>

std::string f_formvalue(const std::string& value);
