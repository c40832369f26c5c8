// What one workbook may make the readers hold or print. Each bound lies far
// past what an office program writes, so only a damaged or hostile file
// meets it.
#pragma once

#include <cstddef>

namespace rt::sheet {

// A number format code: office programs write at most 255 characters, so a
// longer code marks a damaged workbook.
inline constexpr std::size_t max_format_code_bytes = 65535;
// The text of one cell, as stored or as its number format shows it.
inline constexpr std::size_t max_cell_text_bytes = 10000000;

} // namespace rt::sheet
