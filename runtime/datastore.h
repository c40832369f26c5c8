// The runtime's DataStore: rows of typed cells held in memory, bound to a
// DataWindow object (runtime/dataobject.h). The grid control rt::DataWindow
// (runtime/ui/datawindow.h) is a DataStore with a view; everything here works
// alike on both.
//
// Rows and columns count from 1. Functions keep the runtime's names and its
// results: a row out of range reads as null and is never a crash; SetItem,
// InsertRow, DeleteRow, RowsCopy and the others answer -1 for a row out of
// range or a value that the column rejects.
//
// Text import (ImportString, ImportFile, ImportClipboard): one row per line,
// the tab-separated fields of a line into the columns in order, fields past
// the last column passed over, missing ones null. A line ends with CR LF, LF
// or a lone CR; the line break after the last line is optional. A blank
// line gives a row of nulls: an empty field is null, a field of spaces is
// kept as it is. Quotes are plain data. A field must fit its column (the
// byte length of char(n), a number, a date or a time as the type asks);
// otherwise nothing is imported. The new rows are appended. The answer is
// the number of rows added, or one of the codes below.
//
// ImportFile reads files as office programs and editors save them. A name
// ending in ".csv" (in any case) is comma-separated values: a field in
// double quotes may hold commas, line breaks and "" for a quote, and a quote
// that never closes imports nothing (invalid_input); any other file is
// tab-separated text as above. A UTF-8 byte-order mark is dropped and the
// text converted to GBK; so is UTF-16, little- or big-endian, with its mark;
// without a mark the file is GBK. A character that GBK cannot hold makes its
// field one that no column takes. A file holding nothing but a mark is an
// empty file.
#pragma once

#include "runtime/any.h"
#include "runtime/dataobject.h"
#include "runtime/value.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace rt {

class Transaction;

namespace import {
inline constexpr std::int32_t no_rows = -1;          // the text holds no line at all
inline constexpr std::int32_t empty_source = -2;     // empty file, or no text on the clipboard
inline constexpr std::int32_t invalid_argument = -3; // null text or file name, no columns
inline constexpr std::int32_t invalid_input = -4;    // a field that its column rejects
inline constexpr std::int32_t cannot_open = -5;      // missing or unreadable file, a folder
inline constexpr std::int32_t not_text = -6;         // holds a NUL (a spreadsheet, UTF-16 without its mark)
inline constexpr std::int32_t read_error = -7;       // the file could not be read to its end
} // namespace import

// What a view of the rows is told. Every change comes as a "before" and an
// "after" call, so that a Qt model can announce it as it must.
class RowObserver {
public:
    virtual ~RowObserver() = default;
    virtual void before_reset() {}
    virtual void after_reset() {}
    virtual void before_insert(long first, long count) { (void)first; (void)count; }
    virtual void after_insert() {}
    virtual void before_remove(long first, long count) { (void)first; (void)count; }
    virtual void after_remove() {}
    virtual void cell_changed(long row, int column) { (void)row; (void)column; }
    virtual void selection_changed() {}
    virtual void texts_changed() {} // header or text objects changed by Modify
};

class DataStore {
public:
    DataStore();
    explicit DataStore(const DataObject& object);
    // Bound to the object registered under that name; an unknown name gives
    // a store without columns, as an unknown dataobject does.
    explicit DataStore(const std::string& dataobject_name);
    virtual ~DataStore();
    DataStore(const DataStore&) = delete;
    DataStore& operator=(const DataStore&) = delete;

    // ---- the DataWindow object ------------------------------------------
    // Name of the object ("" for a store made with Create).
    const std::string& dataobject() const;
    // Binds another object: rows, selection and sharing end. 1, or -1 for a
    // name that is not registered (the store then has no columns).
    int set_dataobject(const std::string& name);
    void set_dataobject(const DataObject& object);
    const DataObject& object() const;
    // Builds the object from DataWindow syntax (Transaction::SyntaxFromSQL).
    // 1, or -1 with the reason in err.
    int Create(const std::string& syntax, std::string& err);

    // ---- columns ---------------------------------------------------------
    int column_count() const;
    // Column number (1..n) of a name, matched without regard to case; 0 none.
    int column_number(const std::string& name) const;
    const ColumnDef* column(int number) const;

    // ---- rows --------------------------------------------------------------
    std::int32_t RowCount() const;
    int Reset();
    // Inserts an empty row before `row` (0 appends); the new row's number, or -1.
    std::int32_t InsertRow(std::int32_t row);
    // Deletes the row (0: the current row); 1, or -1 out of range.
    int DeleteRow(std::int32_t row);

    // ---- cells -------------------------------------------------------------
    // Null for a row or column out of range, for a null cell, and for a
    // column of another kind (GetItemString reads char columns; the number
    // accessors every numeric column; GetItemDate date and datetime columns;
    // GetItemTime time and datetime columns; GetItemDateTime datetime and date).
    nstring GetItemString(std::int32_t row, const std::string& column) const;
    nstring GetItemString(std::int32_t row, int column) const;
    ndouble GetItemNumber(std::int32_t row, const std::string& column) const;
    ndouble GetItemNumber(std::int32_t row, int column) const;
    ndecimal GetItemDecimal(std::int32_t row, const std::string& column) const;
    ndecimal GetItemDecimal(std::int32_t row, int column) const;
    ndate GetItemDate(std::int32_t row, const std::string& column) const;
    ndate GetItemDate(std::int32_t row, int column) const;
    ndatetime GetItemDateTime(std::int32_t row, const std::string& column) const;
    ndatetime GetItemDateTime(std::int32_t row, int column) const;
    ntime GetItemTime(std::int32_t row, const std::string& column) const;
    ntime GetItemTime(std::int32_t row, int column) const;
    // The cell as it is stored (null out of range).
    Any GetItem(std::int32_t row, int column) const;

    // Writes a value of the column's kind: a text into a char column (at
    // most its length in bytes), any number into a numeric column (within
    // the column's range; a double into a long column is cut toward zero),
    // a date, a datetime or a time into its column (a date into a datetime
    // column at 00:00:00), null into any. 1, or -1 for a row or column out
    // of range or a value that the column rejects.
    int SetItem(std::int32_t row, const std::string& column, const Any& value);
    int SetItem(std::int32_t row, int column, const Any& value);

    // A whole column in row order: dw.Object.<column>.Primary.
    std::vector<Any> column_values(int column) const;
    // The same as texts (String of each value; null stays null).
    std::vector<nstring> column_strings(const std::string& column) const;
    // The same cells where they are, without copies, for one pass over many
    // rows; valid until the rows change. Empty for an unknown column.
    std::span<const Any> column_cells(const std::string& column) const;

    // ---- moving rows -----------------------------------------------------
    // Copies rows start..end of this store before row `before` of target
    // (a row past target's last appends). An end past the last row copies to
    // the last. 1, or -1 for a start out of range, an end before the start,
    // before < 1, or a target whose columns differ in number or type.
    int RowsCopy(std::int32_t start, std::int32_t end, DataStore& target, std::int32_t before);
    // Makes secondary show and edit this store's rows: its writes land here.
    // The sharing ends with ShareDataOff, when either store goes, or when
    // either is bound to another object. 1, or -1 when the columns differ.
    int ShareData(DataStore& secondary);
    // On a secondary: it stops sharing and is left with no rows. On a
    // primary: every secondary does so. 1, or -1 when there is no sharing.
    int ShareDataOff();

    // ---- text import (codes above) -------------------------------------
    std::int32_t ImportString(const nstring& text);
    std::int32_t ImportFile(const nstring& filename); // a program path
    std::int32_t ImportClipboard();                   // through rt::clipboard()

    // ---- selection, current row and column -------------------------------
    // Row 0: every row. 1, or -1 out of range.
    int SelectRow(std::int32_t row, bool select);
    bool IsSelected(std::int32_t row) const;
    std::int32_t GetRow() const;
    int SetRow(std::int32_t row);
    int GetColumn() const;
    std::string GetColumnName() const;
    int SetColumn(const std::string& column);
    int SetColumn(int column);
    // Moves text still being edited into the row; a store has none. 1, or
    // -1 when the text does not fit the column.
    virtual int AcceptText();

    // ---- properties ------------------------------------------------------
    // Answers a property, or "!" for anything unknown: <col>.ColType,
    // <col>.Name, <col>.dbName, <col>.ID, <col>.Visible, #n.<any of these>,
    // <col>_t.Text, <text>.Text, <compute>.Expression,
    // DataWindow.Column.Count, DataWindow.Processing ("1" grid, "0" free
    // form), DataWindow.Table.Select. Names without regard to case; several
    // properties separated by spaces give their answers on lines of their own.
    std::string Describe(const std::string& properties) const;
    // Changes <object>.Text='...' of header texts and text objects (several
    // separated by spaces; ~' and ~" escape quotes). "" when done, else the
    // error text; nothing is changed then.
    std::string Modify(const std::string& modification);

    // ---- database --------------------------------------------------------
    // 1, or -1 for a transaction that is gone.
    int SetTransObject(Transaction& transaction);
    // Replaces the rows with the query's result: rows read, or -1 with
    // SQLCode -1 and SQLErrText set on the transaction.
    std::int32_t Retrieve();

    // ---- views -------------------------------------------------------------
    void add_observer(RowObserver* o);
    void remove_observer(RowObserver* o);

    struct Rows;       // the row data, shared between stores that share data

protected:
    // Called after the current row or column changed.
    virtual void current_changed() {}

private:
    void bind(const DataObject& object);
    void end_sharing_on_rebind();
    bool valid_row(std::int32_t row) const;
    bool compatible_with(const DataStore& other) const;
    // How a text is cut: tab-separated lines, or comma-separated values;
    // `unheld_marks` when it was converted from Unicode and may hold marks
    // of characters GBK cannot hold, which no column takes.
    struct TextLayout {
        bool csv = false;
        bool unheld_marks = false;
    };
    std::int32_t import_text(const char* data, std::size_t size, TextLayout layout);
    static std::int32_t decode_marked(std::string& content, TextLayout& layout);

    std::shared_ptr<DataObject> object_;
    std::shared_ptr<Rows> rows_;
    DataStore* primary_ = nullptr;           // set on a secondary
    std::vector<DataStore*> secondaries_;    // set on a primary
    std::vector<RowObserver*> observers_;
    std::int32_t current_row_ = 0;
    int current_column_ = 0;
    const Transaction* transaction_ = nullptr;
};

} // namespace rt
