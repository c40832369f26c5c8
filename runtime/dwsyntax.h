// The text side of a DataWindow object: its syntax (what SyntaxFromSQL
// writes and Create reads), Describe and Modify.
//
// Syntax, in the runtime's manner of name(attribute=value ...) items:
//   release 1;
//   datawindow(processing=1)
//   table(column=(type=char(255) name=a dbname="A")
//         retrieve="select * from [Sheet1$] ")
//   text(name=a_t text="A")
//   style(type=grid)
// Texts stand in double quotes, "~" escaping a quote, "~" itself, and
// ~t ~r ~n; items and attributes that are not understood are passed over.
#pragma once

#include "runtime/dataobject.h"
#include "runtime/transaction.h"

#include <string>
#include <vector>

namespace rt {

// The object that syntax describes; false with the reason in err.
bool parse_dw_syntax(const std::string& syntax, DataObject& object, std::string& err);

// The syntax of a grid over result columns, with the query and the
// presentation string (style(type=grid) ...) as given.
std::string dw_syntax(const std::vector<ResultColumn>& columns, const std::string& retrieve,
                      const std::string& presentation);

// DataStore::Describe and DataStore::Modify on an object.
std::string describe_properties(const DataObject& object, const std::string& properties);
std::string modify_texts(DataObject& object, const std::string& modification);

// A text in double quotes with the "~" escapes.
std::string quoted(const std::string& text);

} // namespace rt
