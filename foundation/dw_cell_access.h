// Typed access to one cell of a grid or a hidden row store, shared by the
// DataWindow control base u_dw and the DataStore base n_ds, which differ
// only in the message boxes they show for a column they cannot handle.
//
// The column's own type decides how a value is read or converted before it
// is written: its type key is Describe(column + ".ColType") cut to 5 bytes
// and lower-cased ("char(", "date", "datet", "decim", "numbe", "long", ...).
#pragma once

#include "runtime/any.h"
#include "runtime/datastore.h"
#include "runtime/value.h"

#include <functional>
#include <string>

class dw_cell_access {
public:
    // Shows the box for a column whose type key is not handled; gets the
    // store's object name and the column name.
    using unknown_column = std::function<void(const std::string& dataobject, const std::string& column)>;

    static std::string type_key(const rt::DataStore& ds, const rt::nstring& column);
    // The column name of a column number, as Describe("#n.Name") answers it ("!" when there is none).
    static std::string column_name(const rt::DataStore& ds, const rt::nint& column);

    // "Get value error2!" for a row below 1, "Get value error3!" for a null
    // or blank column name, "Get value error4!" after the box for an
    // unknown key; otherwise the cell as its accessor gives it (null included).
    static rt::Any getvalue(const rt::DataStore& ds, const rt::nlong& row, const rt::nstring& column,
                            const unknown_column& box);
    // Converts the value by the column's key and writes it: true when
    // SetItem answered 1. False after the box for an unknown key.
    static bool setvalue(rt::DataStore& ds, const rt::nlong& row, const rt::nstring& column, const rt::Any& value,
                         const unknown_column& box);
    // Parses a text into the column's type (number texts cleaned of "$",
    // the thousands separator and brackets, "%" dividing by 100): -1 for a
    // null row or column, 0 for a key it does not handle, else SetItem's answer.
    static rt::nint setitem(rt::DataStore& ds, const rt::nlong& row, const rt::nstring& column,
                            const rt::nstring& value);
};
