#include "runtime/files.h"

namespace rt {
int FileOpen(const std::string&, FileMode, FileAccess, FileLock, WriteMode) { return -1; }
std::int32_t FileRead(int, std::string&) { return -1; }
std::int32_t FileWrite(int, std::string_view) { return -1; }
int FileClose(int) { return -1; }
std::int64_t FileLength(const std::string&) { return -1; }
bool FileExists(const std::string&) { return false; }
bool FileDelete(const std::string&) { return false; }
int FileMove(const std::string&, const std::string&) { return -1; }
int CreateDirectory(const std::string&) { return -1; }
bool DirectoryExists(const std::string&) { return false; }
std::vector<std::string> DirList(const std::string&) { return {}; }
} // namespace rt
