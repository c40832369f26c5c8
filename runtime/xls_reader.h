// The .xls side of runtime/spreadsheet.h, through FreeXL.
#pragma once

#include "runtime/spreadsheet.h"

#include <memory>
#include <string>

namespace rt::sheet {

std::unique_ptr<Workbook> open_xls(const std::string& native_path, std::string& error);

} // namespace rt::sheet
