// The runtime's OLE automation object. The one server the client drives,
// "excel.application", is an in-process stand-in over runtime/sheet/spreadsheet.h
// with the part of the spreadsheet application's object model that the
// mail-merge window calls, in the order it calls it:
//
//   rt::OleObject lole;
//   if (lole.ConnectToNewObject("excel.application") != 0) ...;
//   rt::ExcelApplication& app = lole.application();
//   app.workbooks().open(path);                     // throws rt::OleError
//   std::int32_t n = app.activesheet().usedrange().rows().count();
//   app.activesheet().range("2:" + std::to_string(n)).cells().copy();
//   dw.ImportString(app.clipboard());              // the copied rows
//   app.set_cutcopymode(false);                     // drops them again
//   app.workbooks().close();
//   app.quit();
//
// Copying keeps the rows inside the application object: the desktop's
// clipboard is never touched, so what the user had copied stays there.
#pragma once

#include "runtime/sheet/spreadsheet.h"

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

namespace rt {

// A failed automation call; what() says why (plain ASCII).
class OleError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Whether a server class can be started (matched without regard to case).
// "excel.application" can unless a test says otherwise.
void set_ole_server_available(const std::string& classname, bool available);

class ExcelApplication {
public:
    class Rows {
    public:
        explicit Rows(std::int32_t count) : count_(count) {}
        std::int32_t count() const { return count_; }

    private:
        std::int32_t count_;
    };
    class UsedRange {
    public:
        UsedRange(std::int32_t row, std::int32_t count) : row_(row), count_(count) {}
        // Number of the first row of the used range (1 for an empty sheet).
        std::int32_t row() const { return row_; }
        Rows rows() const { return Rows(count_); }

    private:
        std::int32_t row_, count_;
    };
    class Range {
    public:
        Range(ExcelApplication& app, std::int32_t first, std::int32_t last) : app_(app), first_(first), last_(last) {}
        Range& cells() { return *this; }
        // The rows' text, one line per row (CR LF after each), cells
        // separated by tabs from column A on; a tab or line break inside a
        // cell becomes a blank, so that a cell never splits a row.
        void copy();

    private:
        ExcelApplication& app_;
        std::int32_t first_, last_;
    };
    class Worksheet {
    public:
        explicit Worksheet(ExcelApplication& app) : app_(app) {}
        UsedRange usedrange() const;
        // A row range "first:last" (either order, as the application takes it).
        Range range(const std::string& rows) const;

    private:
        ExcelApplication& app_;
    };
    class Workbooks {
    public:
        explicit Workbooks(ExcelApplication& app) : app_(app) {}
        // Opens the workbook and reads its active sheet.
        void open(const std::string& program_path);
        void close();

    private:
        ExcelApplication& app_;
    };

    ExcelApplication();
    ~ExcelApplication();
    ExcelApplication(const ExcelApplication&) = delete;
    ExcelApplication& operator=(const ExcelApplication&) = delete;

    Workbooks workbooks() { return Workbooks(*this); }
    Worksheet activesheet();
    // The rows of the last copy, until copy mode ends.
    const std::string& clipboard() const { return clipboard_; }
    void set_cutcopymode(bool on);
    void quit();

private:
    struct Sheet;
    std::unique_ptr<Sheet> sheet_;
    std::string clipboard_;
    bool quit_ = false;
};

class OleObject {
public:
    OleObject();
    ~OleObject();
    OleObject(const OleObject&) = delete;
    OleObject& operator=(const OleObject&) = delete;

    // 0 connected; -2 the class is not known or cannot be started.
    int ConnectToNewObject(const std::string& classname);
    // 0, or -1 when there was no connection.
    int DisconnectObject();
    bool connected() const { return app_ != nullptr; }
    // The connected application; throws OleError when there is none.
    ExcelApplication& application();

private:
    std::unique_ptr<ExcelApplication> app_;
};

} // namespace rt
