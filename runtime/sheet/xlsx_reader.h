// The .xlsx side of runtime/sheet/spreadsheet.h: a streaming reader over minizip
// and libxml2. Every part goes through the SAX2 parser with one handler:
// worksheets and shared strings pulling from the inflater a large piece at a
// time, the small parts (relationships, workbook, styles) pushed a piece at
// a time and read node by node. Only the shared strings (within a cap,
// runtime/sheet/shared_strings.h) and the number formats are held in memory.
// Every part read is checked against its checksum, and a DOCTYPE is refused
// in every part.
#pragma once

#include "runtime/sheet/spreadsheet.h"

#include <memory>
#include <string>

namespace rt::sheet {

std::unique_ptr<Workbook> open_xlsx(const std::string& native_path, std::string& error, CellText text);

// A part name resolved against the folder of the part that points to it:
// "/xl/worksheets/sheet1.xml" stands for itself, "worksheets/sheet1.xml"
// seen from "xl/workbook.xml" is "xl/worksheets/sheet1.xml"; ".." goes up.
// The answer has no leading "/", as zip entry names have none.
std::string resolve_target(const std::string& source_part, const std::string& target);

} // namespace rt::sheet
