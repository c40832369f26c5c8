// A DataWindow object: the definition that a grid control or a hidden row
// store is bound to by name. It gives the typed columns in order, their
// database names and header texts, and what the presentation needs (grid or
// free form, widths, positions, text objects, the summary line).
//
// The system's objects are defined in code, each by a function in the folder
// of the subsystem whose window uses it (sending/dw_msg_new_20170601.h, ...).
// Such a function registers its object under its name the first time it is
// called, so that a store can also be bound by name afterwards.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace rt {

class DataStore;

enum class ColType { Char, Number, Long, ULong, Int, Decimal, Real, Double, Date, DateTime, Time };

enum class Style { Grid, FreeForm };

// Position and size in layout units; all zero means "laid out automatically".
struct LayoutRect {
    int x = 0, y = 0, width = 0, height = 0;
    bool empty() const { return width == 0 || height == 0; }
};

struct ColumnDef {
    std::string name;              // as the scripts name it: "mobile"
    ColType type = ColType::Char;
    int length = 0;                // char(n): bytes; decimal(n): decimal places
    std::string dbname;            // database name; empty means the same as name
    std::string header;            // text of the header object name + "_t"
    bool visible = true;
    int width = 0;                 // grid column width in layout units, 0 automatic
    LayoutRect edit;               // free form: the edit field
    LayoutRect label;              // free form: the header text object
    // Conditional bold text of the cell (a weight expression in the original
    // objects); empty means normal weight.
    std::function<bool(const DataStore&, long row)> bold;
    bool editable = true;          // false: shown only, the user cannot type into it
};

// A column by name, type and length, the rest as a new ColumnDef has it.
inline ColumnDef Column(std::string name, ColType type, int length = 0) {
    ColumnDef c;
    c.name = std::move(name);
    c.type = type;
    c.length = length;
    return c;
}

// A free text object of the object ("合计", a red "*").
struct TextDef {
    std::string name;
    std::string text;
    LayoutRect place;              // free form; in a grid the summary line places it
    unsigned long color = 0;       // the runtime's colour code, 255 is red
    std::string under_column;      // grid summary line: the column it stands under
};

// A computed field of the summary line.
struct ComputeDef {
    std::string name;
    std::string expression;        // as the object states it, for Describe
    std::function<std::string(const DataStore&)> value;
    std::string under_column;
};

struct DataObject {
    std::string name;
    Style style = Style::Grid;
    int n_up = 1;                           // rows shown side by side in one line
    std::vector<ColumnDef> columns;
    std::vector<TextDef> texts;             // free form texts; grid summary texts
    std::vector<ComputeDef> computes;       // grid summary line
    std::vector<std::string> stored_rows;   // sample rows kept with the object, tab-separated
    std::string retrieve;                   // the query of an object made from SQL
};

// Text form of a column type as Describe answers it: "char(11)", "number",
// "decimal(2)", "datetime", ...
std::string coltype_text(ColType type, int length);

// Registry of the objects by name (matched without regard to case).
void register_dataobject(const DataObject& object);
// Registers the object and hands it back, for the one-time definition
// `static const DataObject object = registered(build());`.
DataObject registered(DataObject object);
const DataObject* find_dataobject(const std::string& name);

} // namespace rt
