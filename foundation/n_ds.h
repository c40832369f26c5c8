// The DataStore base of the client's hidden row stores (the mail-merge
// window's worksheet query): the runtime's DataStore with the typed cell
// access of u_dw, a transaction setter and a column-name list. Its boxes
// for a column type it cannot handle are plain boxes titled "提示".
#pragma once

#include "foundation/pfc_n_tr.h"
#include "runtime/any.h"
#include "runtime/datastore.h"
#include "runtime/value.h"

#include <string>
#include <vector>

class n_ds : public rt::DataStore {
public:
    n_ds();
    explicit n_ds(const rt::DataObject& object);
    ~n_ds() override;

    rt::Any of_getvalue(const rt::nlong& row, const rt::nstring& columnname);
    rt::Any of_getvalue(const rt::nlong& row, const rt::nint& columnno);
    bool of_setvalue(const rt::nlong& row, const rt::nstring& columnname, const rt::Any& value);
    rt::nint of_setitem(const rt::nlong& al_row, const rt::nstring& as_column, const rt::nstring& as_value);
    rt::nint of_setitem(const rt::nlong& al_row, const rt::nint& ai_column, const rt::nstring& as_value);
    // -1 for a missing or destroyed transaction, else SetTransObject's
    // answer; itr_object takes the transaction only when that is 1.
    rt::nint of_settransobject(pfc_n_tr* atr_object);
    // Elements 1..column count (as_columns[0] is element 1) become the
    // column names; the array is not emptied first. Answers its upper bound.
    std::int32_t of_getcolumns(std::vector<std::string>& as_columns);

    pfc_n_tr* itr_object = nullptr;
};
