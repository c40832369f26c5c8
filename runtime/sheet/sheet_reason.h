// Why a workbook could not be read, in words for the clerk: the text that the
// mail-merge sheet shows after "读取文件 " and the path. One table for both
// readers, so the same fault reads the same from .xls and .xlsx.
#pragma once

#include <string>

namespace rt::sheet {

enum class Reason {
    cannot_open,   // the file cannot be opened at all
    not_workbook,  // not a workbook of a known kind
    damaged,       // a workbook, but damaged
    protected_,    // encrypted with a password
    no_sheet,      // no worksheet, or not the one asked for
    too_slow,      // reading gave up after the time limit
    too_large,     // holds more text than the program takes in
};

// The reason's text, GBK.
std::string reason(Reason r);

} // namespace rt::sheet
