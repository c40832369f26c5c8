// How a cell takes a value: the rules that SetItem, the text import and
// Retrieve share. A ColumnDef's type decides what the cell holds.
#pragma once

#include "runtime/any.h"
#include "runtime/dataobject.h"

#include <string_view>

namespace rt {

// A value written with SetItem: a text into a char column (at most its
// length in bytes when it has one), a number of any kind into a numeric
// column (a whole-number column cuts toward zero and keeps to its range), a
// date, datetime or time into its own column (a date into a datetime column
// at 00:00:00), null into any. False when the column rejects the value.
bool coerce_cell(const ColumnDef& column, const Any& value, Any& stored);

// A field of imported text: "" is null; a char column takes the text as it
// is, a numeric column a number text (a whole number for long, ulong and
// int), a date, datetime or time column a text of that kind (spaces around
// it allowed). False when the field does not fit.
bool parse_cell(const ColumnDef& column, std::string_view field, Any& stored);

// A value that a data source delivered: a text is read as an imported
// field, a number into a char column as its text, any other value as
// SetItem takes it; null when none of these fits.
void retrieved_cell(const ColumnDef& column, const Any& value, Any& stored);

} // namespace rt
