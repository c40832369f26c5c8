// The .xls side of runtime/spreadsheet.h, through FreeXL, which runs in a
// child process of its own for each workbook opened.
#pragma once

#include "runtime/spreadsheet.h"

#include <chrono>
#include <memory>
#include <string>

namespace rt::sheet {

std::unique_ptr<Workbook> open_xls(const std::string& native_path, std::string& error, CellText text);

// How long the child may take to read a workbook before it is given up as
// damaged (a minute unless changed; tests and fuzzing shorten it).
void set_xls_time_limit(std::chrono::milliseconds limit);

} // namespace rt::sheet
