// The DataWindow control base of the client's grids (the send window's
// number lists, the preview window's list, the mail-merge grid): the
// runtime's DataWindow control with typed access to one cell by row and
// column name or number, the column's own type deciding how a value is read
// or converted (foundation/dw_cell_access.h).
#pragma once

#include "runtime/any.h"
#include "runtime/ui/datawindow.h"
#include "runtime/value.h"

#include <string>

class u_dw : public rt::DataWindow {
public:
    explicit u_dw(rt::Container* parent, rt::Rect r = {0, 0, 731, 440});
    u_dw(rt::Container* parent, const rt::DataObject& object, rt::Rect r = {0, 0, 731, 440});
    u_dw(rt::Container* parent, const char* dataobject, rt::Rect r = {0, 0, 731, 440});

    // The cell's value, or the texts "Get value error2!" (row below 1),
    // "Get value error3!" (blank column name) and "Get value error4!" (a
    // column type it does not read, after the manager's box).
    rt::Any of_getvalue(const rt::nlong& row, const rt::nstring& columnname);
    // -1 for a null row or column, 0 for a type it does not parse, else SetItem's answer.
    rt::nint of_setitem(const rt::nlong& al_row, const rt::nstring& as_column, const rt::nstring& as_value);
    // True when SetItem answered 1; false, after the box "提示信息", for a
    // column type it does not convert.
    bool of_setvalue(const rt::nlong& row, const rt::nstring& columnname, const rt::Any& value);
    bool of_setvalue(const rt::nlong& row, const rt::nint& columnno, const rt::Any& value);
    rt::nint of_setitem(const rt::nlong& al_row, const rt::nint& ai_column, const rt::nstring& as_value);
    std::string uf_processing();
    // Puts the header picture behind a grid's column headers, or takes it away.
    void uf_header(const rt::nbool& ab_switch);

protected:
    bool ib_ispicheader = true;
    std::string is_picheadernm = "res\\dwtitle.jpg";
    std::int16_t ii_picheader_x = 3;
    std::int16_t ii_picheader_height = 96;
};
