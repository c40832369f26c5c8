// The send window's "导入号码" on the number files a new user brings: a text
// saved as UTF-8 with its mark, a spreadsheet's "Unicode text" (UTF-16 with
// its mark, a name column beside the numbers) and a spreadsheet's CSV. Each
// must reach the fake gateway as the two bare numbers.
#include "sending/w_sms_new.h"

#include "runtime/gbk.h"
#include "tests/account/account_fixture.h"

#include <QPushButton>
#include <QString>

#include <memory>
#include <string>

namespace {

class ChosenFile final : public rt::FileDialog {
public:
    std::string chosen; // program path
    int get_file_open_name(const std::string&, std::string& pathname, std::string& filename, const std::string&,
                           const std::string&, const std::string&) override {
        pathname = chosen;
        filename = chosen.substr(chosen.rfind('\\') + 1);
        return 1;
    }
};

std::string utf16le_with_mark(const std::string& gbk) {
    const std::string u = rt::gbk_to_utf8(gbk);
    std::string out = "\xFF\xFE";
    for (const char16_t c : QString::fromUtf8(u.data(), static_cast<qsizetype>(u.size())).toStdU16String()) {
        out += static_cast<char>(c & 0xFF);
        out += static_cast<char>(c >> 8);
    }
    return out;
}

struct SmsNewImportFiles : AccountWindow {
    ChosenFile* dialog = nullptr;
    std::unique_ptr<rt::FileDialog> old_dialog;

    void SetUp() override {
        AccountWindow::SetUp();
        sign_in("1000", "甲", "甲");
        auto d = std::make_unique<ChosenFile>();
        dialog = d.get();
        old_dialog = rt::set_file_dialog(std::move(d));
    }
    void TearDown() override {
        rt::set_file_dialog(std::move(old_dialog));
        AccountWindow::TearDown();
    }
};

} // namespace

TEST_F(SmsNewImportFiles, EachFileSendsTheBareNumbers) {
    const struct {
        const char* file;
        std::string bytes;
    } files[] = {
        {"utf8.txt", "\xEF\xBB\xBF" "13800138000\r\n13900139000\r\n"},
        {"unicode.txt", utf16le_with_mark("13800138000\t张三\r\n13900139000\t李四\r\n")},
        {"list.csv", "13800138000,张三\r\n13900139000,\"李,四\"\r\n"},
    };
    for (const auto& f : files) {
        SCOPED_TRACE(f.file);
        dir.write(f.file, f.bytes);
        dialog->chosen = dir.program() + "\\" + f.file;
        gateway.clear_requests();
        w_sms_new w;
        drive<w_sms_new>(w, [&](w_sms_new& w) {
            w.cb_import_file.button()->click();
            EXPECT_EQ(w.st_total.text(), "合计:2");
            w.mle_msg.set_text("hi");
            w.cb_snd.SetFocus();
            w.cb_snd.TriggerEvent(rt::Event::clicked);
        });
        ASSERT_EQ(gateway.request_count(), 1u);
        EXPECT_EQ(std::string(gateway.last_request().body),
                  "action=send&userid=1001&account=acc&password=pw&mobile=13800138000,13900139000&content=【甲】hi");
        EXPECT_EQ(box_texts(), (std::vector<std::string>{"确定要执行发送操作吗？", "短信发送成功!"}));
    }
}
