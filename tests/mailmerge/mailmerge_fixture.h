// What the mail-merge tests share: a manager in a temporary program folder
// whose gateway is the fake one, recorded boxes, a scripted file dialog, the
// frame with the mail-merge sheet open in it, and workbooks on disk.
#pragma once

#include "core/n_cst_manager.h"
#include "mailmerge/w_message_excel.h"
#include "runtime/oleobject.h"
#include "runtime/path.h"
#include "runtime/profile.h"
#include "runtime/services.h"
#include "runtime/ui/window.h"
#include "shell/w_mdi.h"
#include "tests/runtime/sheet/workbook_fixtures.h"
#include "tests/support/manager_fixture.h"
#include "tests/support/scripted.h"
#include "tools/fake_gateway/fake_gateway.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <deque>
#include <string>
#include <vector>

// Answers the next file dialog with a path (program form), or cancels.
class ScriptedFileDialog : public rt::FileDialog {
public:
    std::deque<rt::nstring> answers;
    std::string last_initdir, last_title, last_filter;
    int get_file_open_name(const std::string& title, std::string& pathname, std::string& filename,
                           const std::string&, const std::string& filter, const std::string& initdir) override {
        last_title = title;
        last_filter = filter;
        last_initdir = initdir;
        if (answers.empty() || !answers.front()) {
            if (!answers.empty()) answers.pop_front();
            return 0;
        }
        pathname = *answers.front();
        answers.pop_front();
        filename = pathname.substr(pathname.rfind('\\') + 1);
        return 1;
    }
};

struct MailMerge : ::testing::Test {
    testing_support::TempProgramFolder dir;
    testing_support::RecordedBoxes boxes;
    FakeGateway gateway;
    ScriptedFileDialog* dialog = nullptr;
    std::unique_ptr<rt::FileDialog> previous_dialog;
    w_mdi* frame = nullptr;

    void SetUp() override {
        testing_support::open_manager(dir, gateway);
        auto d = std::make_unique<ScriptedFileDialog>();
        dialog = d.get();
        previous_dialog = rt::set_file_dialog(std::move(d));
    }
    void TearDown() override {
        if (frame && frame->is_open()) rt::Close(*frame);
        delete frame;
        rt::set_file_dialog(std::move(previous_dialog));
        rt::set_ole_server_available("excel.application", true);
        testing_support::close_manager();
    }

    // The frame, then the sheet in it, its posted balance line done.
    w_message_excel& open_sheet() {
        frame = new w_mdi;
        rt::Open(*frame);
        // The frame's background sheet fetches its poster and, with stored
        // credentials, a balance of its own: what the tests look at is the
        // mail-merge sheet's alone.
        for (int i = 0; i < 5; ++i) rt::Yield();
        boxes.clear();
        gateway.clear_requests();
        auto& sheet = rt::make_window<w_message_excel>();
        rt::OpenSheet(sheet, *frame);
        rt::Yield();
        return sheet;
    }

    void set_credentials() {
        gnv_app->userid = "1001";
        gnv_app->account = "acc";
        gnv_app->password = "pw";
    }

    std::string ini(const std::string& section, const std::string& key) const {
        return rt::ProfileString(gnv_app->of_getappinifile(), section, key, "<none>").value_or("<null>");
    }

    // A workbook file in the program folder: its program path.
    std::string program_path(const std::string& name) const { return dir.program() + "\\" + name; }
    std::filesystem::path native(const std::string& name) const { return dir.native() / name; }

    // Chooses the file in the dialog and presses "导入Excel".
    void load(w_message_excel& sheet, const std::string& name) {
        dialog->answers.push_back(program_path(name));
        sheet.pb_excel.TriggerEvent(rt::Event::clicked);
    }

    // The grid's rows as tab-joined cells A..flag, a null cell as "~".
    static std::vector<std::string> grid(rt::DataStore& dw, int columns = 27) {
        std::vector<std::string> rows;
        for (std::int32_t r = 1; r <= dw.RowCount(); ++r) {
            std::string line;
            int last = 0;
            for (int c = 1; c <= columns; ++c)
                if (dw.GetItemString(r, c)) last = c;
            for (int c = 1; c <= last; ++c) line += (c > 1 ? "|" : "") + dw.GetItemString(r, c).value_or("~");
            rows.push_back(line);
        }
        return rows;
    }

    std::vector<std::string> box_texts() { return boxes.take_texts(); }
};
