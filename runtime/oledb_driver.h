// The database driver behind the DBMS "OLE DB": worksheets of a workbook
// read by a query, as the spreadsheet providers read them. Registered with
// the transaction under "OLE DB" from the start (runtime/transaction.h).
//
// DBParm: PROVIDER='Microsoft.Jet.OLEDB.4.0' or 'Microsoft.ACE.OLEDB.12.0',
// DATASOURCE='<program path of the workbook>', PROVIDERSTRING='Excel 8.0;
// HDR=Yes;IMEX=1;'. Either provider reads either format: the file's content
// decides. The query is "select * from [NAME$]", the sheet name matched
// without regard to case. With HDR=Yes (the default) the first used row
// gives the column names and the rows after it are the result; every
// column is text, cells as runtime/sheet/spreadsheet.h copies them, an empty
// cell null. Columns run from A to the last used column.
#pragma once

#include "runtime/transaction.h"

#include <memory>
#include <string>

namespace rt {

std::unique_ptr<DbConnection> oledb_connect(const std::string& dbparm, std::string& error);

// The sheet name of "select * from [NAME$]"; false for any other query.
bool oledb_sheet_of_query(const std::string& sql, std::string& sheet);

} // namespace rt
