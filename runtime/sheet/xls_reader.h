// The .xls side of runtime/sheet/spreadsheet.h: the records of a BIFF8 (or BIFF5)
// workbook stream, read by our own reader out of the compound document
// (runtime/sheet/compound_file.h).
#pragma once

#include "runtime/sheet/spreadsheet.h"

#include <memory>
#include <string>

namespace rt::sheet {

std::unique_ptr<Workbook> open_xls(const std::string& native_path, std::string& error, CellText text);

} // namespace rt::sheet
