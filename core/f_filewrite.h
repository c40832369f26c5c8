// Replaces a file with the bytes of a blob.
#pragma once

#include "runtime/files.h"
#include "runtime/value.h"

#include <string>

// filename in program form ("\" separators, GBK; relative to the program
// folder). Writes in pieces of at most 32765 bytes; 1 when written, -1 when
// the file cannot be opened or a piece cannot be written.
int f_filewrite(const std::string& filename, const rt::blob& data);
// The same write, appending when asked: the manager's uf_file_write.
int f_filewrite(const std::string& filename, const rt::blob& data, rt::WriteMode mode);
