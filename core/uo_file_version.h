// The version text of a program file. A program of this platform carries no
// version resource: the build stamps every program that links the manager
// with "VELOTRA_FILE_VERSION=" and its version, ended by a zero byte, and
// this class reads that stamp back out of the file.
#pragma once

#include <string>

class uo_file_version {
public:
    // The stamp's version text of str_file in `version`: the first stamp
    // whose text is 1 to 255 of the characters "0123456789,. ", or "" when the
    // file holds none or cannot be read. Always 1.
    int f_get_fileversion(const std::string& str_file, std::string& version);
};
