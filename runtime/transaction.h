// The runtime's transaction object: the connection through which a
// DataStore retrieves rows. A data source comes in as a driver registered
// under a DBMS name ("OLE DB"); Connect hands the transaction's DBParm to that
// driver, and a DataStore created from the syntax that SyntaxFromSQL gives
// fills itself through the connection with Retrieve.
//
//   rt::Transaction tr;
//   tr.DBMS = "OLE DB";
//   tr.DBParm = "PROVIDER='...',DATASOURCE='...'";
//   tr.Connect();                        // SQLCode 0, or -1 and SQLErrText
//   std::string err;
//   std::string syntax = tr.SyntaxFromSQL("select * from [Sheet1$] ", "style(type=grid)", err);
//   rt::DataStore ds;
//   ds.Create(syntax, err);
//   ds.SetTransObject(tr);
//   ds.Retrieve();                       // rows, or -1 and SQLCode -1
#pragma once

#include "runtime/any.h"
#include "runtime/dataobject.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace rt {

// A column of a query's result, as the data source describes it. A source
// of worksheet cells describes its numeric columns as Number: the grid
// bases' typed reading (u_dw, n_ds) knows "number" but not "double".
struct ResultColumn {
    std::string name;              // as the source names it (a worksheet heading)
    ColType type = ColType::Char;
    int length = 0;                // char(n): bytes
};

// An open connection of a driver.
class DbConnection {
public:
    virtual ~DbConnection();
    // The columns of the query's result; false, with a message, when the
    // query cannot run.
    virtual bool describe(const std::string& sql, std::vector<ResultColumn>& columns, std::string& error) = 0;
    // Runs the query and hands every row's cells, in column order, to `row`.
    virtual bool select(const std::string& sql, const std::function<void(std::vector<Any>& cells)>& row,
                        std::string& error) = 0;
};

// Opens a connection for a DBParm, or answers null and sets error.
using DbDriver = std::function<std::unique_ptr<DbConnection>(const std::string& dbparm, std::string& error)>;

// Makes a driver available under a DBMS name (matched without regard to
// case); a later registration under the same name replaces the earlier one.
void register_dbms(const std::string& dbms, DbDriver driver);

class Transaction {
public:
    Transaction();
    virtual ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    std::string DBMS;
    std::string DBParm;
    bool AutoCommit = false;
    // Outcome of the last operation: 0 success, -1 error (SQLErrText says
    // which); SQLNRows the rows that a retrieve read.
    std::int32_t SQLCode = 0;
    std::string SQLErrText;
    std::int32_t SQLNRows = 0;

    // CONNECT USING: 0 in SQLCode when the driver of DBMS accepted DBParm.
    void Connect();
    // DISCONNECT USING: drops the connection; -1 in SQLCode when there was none.
    void Disconnect();
    bool connected() const { return connection_ != nullptr; }
    DbConnection* connection() const { return connection_.get(); }

    // The DataWindow syntax of a grid over the query's result: one column
    // per result column, named after it, with the query to retrieve. Empty,
    // with the reason in err, when the transaction is not connected or the
    // query cannot be described.
    std::string SyntaxFromSQL(const std::string& sql, const std::string& presentation, std::string& err);

    // The runtime's IsValid for a transaction: true while the object lives.
    static bool is_live(const Transaction* t);

private:
    std::unique_ptr<DbConnection> connection_;
};

// Column names for result columns: lower case, every byte that is no ASCII
// letter or digit replaced by "_", "c" in front when a digit starts it,
// "column" + n for an empty or repeated name.
std::vector<std::string> column_names(const std::vector<ResultColumn>& columns);

} // namespace rt
