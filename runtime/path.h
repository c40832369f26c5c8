// Paths. Program code builds and cuts paths with "\" as separator, in GBK.
// Only here are they turned into native paths (UTF-8, "/"), after decoding,
// so that a 0x5C trail byte of a GBK character is never taken for "\".
// Names cross this edge as GB18030 (runtime/gbk.h), so a folder named with
// characters outside GBK still holds the program's files.
#pragma once

#include <string>

namespace rt {

// The program folder in program form ("\opt\velotra"), without a trailing
// "\": the folder of the running executable unless a test set another one.
const std::string& program_folder();
void set_program_folder(const std::string& program_path);

// Program form (GBK, "\") to a native path (UTF-8, "/"). A relative path is
// resolved against the program folder.
std::string native_path(const std::string& program_path);

// Native path (UTF-8, "/") to program form (GBK, "\").
std::string program_path(const std::string& native);

// The executable suffix of this platform ("" here, ".exe" on Windows).
inline constexpr const char* exe_suffix = "";

} // namespace rt
