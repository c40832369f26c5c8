#include "runtime/transaction.h"

#include "runtime/dwsyntax.h"
#include "runtime/oledb_driver.h"
#include "runtime/strings.h"

#include <map>
#include <mutex>
#include <set>

namespace rt {

namespace {
std::mutex state_mutex;
std::map<std::string, DbDriver>& drivers() {
    // The worksheet driver is always there, as the provider was on every
    // machine the client ran on; a test may register another in its place.
    static std::map<std::string, DbDriver> d{{"ole db", oledb_connect}};
    return d;
}
std::set<const Transaction*>& live() {
    static std::set<const Transaction*> s;
    return s;
}
} // namespace

DbConnection::~DbConnection() = default;

void register_dbms(const std::string& dbms, DbDriver driver) {
    std::lock_guard lock(state_mutex);
    drivers()[Lower(dbms)] = std::move(driver);
}

Transaction::Transaction() {
    std::lock_guard lock(state_mutex);
    live().insert(this);
}

Transaction::~Transaction() {
    std::lock_guard lock(state_mutex);
    live().erase(this);
}

bool Transaction::is_live(const Transaction* t) {
    std::lock_guard lock(state_mutex);
    return t && live().count(t) > 0;
}

void Transaction::Connect() {
    DbDriver driver;
    {
        std::lock_guard lock(state_mutex);
        auto it = drivers().find(Lower(DBMS));
        if (it != drivers().end()) driver = it->second;
    }
    SQLNRows = 0;
    if (!driver) {
        SQLCode = -1;
        SQLErrText = "DBMS " + DBMS + " is not supported";
        return;
    }
    std::string err;
    connection_ = driver(DBParm, err);
    SQLCode = connection_ ? 0 : -1;
    SQLErrText = connection_ ? std::string() : err;
}

void Transaction::Disconnect() {
    SQLCode = connection_ ? 0 : -1;
    SQLErrText = connection_ ? std::string() : "not connected";
    connection_.reset();
}

std::string Transaction::SyntaxFromSQL(const std::string& sql, const std::string& presentation, std::string& err) {
    if (!connection_) {
        err = "the transaction is not connected";
        return {};
    }
    std::vector<ResultColumn> columns;
    std::string why;
    if (!connection_->describe(sql, columns, why)) {
        err = why;
        return {};
    }
    err.clear();
    return dw_syntax(columns, sql, presentation);
}

std::vector<std::string> column_names(const std::vector<ResultColumn>& columns) {
    std::vector<std::string> names;
    std::set<std::string> taken;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        std::string n = Lower(columns[i].name);
        for (char& c : n) {
            const bool ok = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
            if (!ok) c = '_';
        }
        if (!n.empty() && n[0] >= '0' && n[0] <= '9') n = "c" + n;
        if (n.empty() || n.find_first_not_of('_') == std::string::npos || taken.count(n)) {
            n = "column" + std::to_string(i + 1);
            // A heading may already have taken that name: two columns of one
            // name would read the same cells.
            while (taken.count(n)) n += "_";
        }
        taken.insert(n);
        names.push_back(n);
    }
    return names;
}

} // namespace rt
