// The log viewer on a log folder of its own with a fixed clock: the list,
// today's file, picked files, and files read in more than one piece.
#include "account/w_log.h"

#include "runtime/strings.h"
#include "tests/support/screenshot.h"
#include "tests/account/account_fixture.h"

namespace {

struct LogViewer : AccountWindow {
    void SetUp() override {
        AccountWindow::SetUp();
        clock.set({2017, 6, 1, 9, 30, 0, 0});
    }
    std::vector<std::string> entries(const w_log& w) const {
        std::vector<std::string> v;
        for (int i = 1; i <= w.ddplb_log.TotalItems(); ++i) v.push_back(w.ddplb_log.Text(i));
        return v;
    }
    void pick(w_log& w, int index) {
        w.ddplb_log.SelectItem(index);
        w.ddplb_log.TriggerEvent(rt::Event::selectionchanged);
    }
};

// GBK text of exactly `bytes` bytes in CR LF lines of double-byte
// characters, after one ASCII byte when `odd_start` is set: that decides
// which piece boundaries (at 32765 and 65530 bytes) cut a character.
std::string gbk_text(std::size_t bytes, bool odd_start) {
    std::string s = odd_start && bytes > 0 ? "x" : "";
    const std::string line = "张三李四发送成功\r\n"; // 18 bytes
    while (s.size() + line.size() <= bytes) s += line;
    while (s.size() + 2 <= bytes) s += "汇";
    if (s.size() < bytes) s += "z";
    return s;
}

// Whether the piece that starts at 0-based `boundary` begins on a trail byte.
bool cut_at(const std::string& s, std::size_t boundary) {
    return boundary < s.size() && rt::IsTrailAt(s, static_cast<std::int32_t>(boundary + 1));
}

} // namespace

TEST_F(LogViewer, ListsTheDailyFilesInOrderAndShowsToday) {
    dir.write("log/2017-06-01.txt", "today\r\n第二行\r\n");
    dir.write("log/2017-05-31.txt", "yesterday\r\n");
    dir.write("log/notes.txt", "notes");
    dir.write("log/2017-06-01.log", "request");
    w_log w;
    drive<w_log>(w, [&](w_log& lw) {
        EXPECT_EQ(lw.title(), "发送日志");
        EXPECT_EQ(entries(lw), (std::vector<std::string>{"2017-05-31.txt", "2017-06-01.txt", "notes.txt"}));
        EXPECT_EQ(lw.ddplb_log.SelectedIndex(), 2);
        EXPECT_EQ(lw.ddplb_log.text(), "2017-06-01.txt");
        EXPECT_EQ(lw.mle_log.text(), "today\r\n第二行\r\n");

        // Each pick replaces the whole text, whatever was typed into it.
        lw.mle_log.set_text("typed");
        pick(lw, 1);
        EXPECT_EQ(lw.mle_log.text(), "yesterday\r\n");
        pick(lw, 3);
        EXPECT_EQ(lw.mle_log.text(), "notes");
        // A file gone since the list was made leaves the edit empty.
        std::filesystem::remove(dir.native() / "log" / "2017-05-31.txt");
        pick(lw, 1);
        EXPECT_EQ(lw.mle_log.text(), "");
        EXPECT_EQ(entries(lw).size(), 3u);
        lw.cb_close.TriggerEvent(rt::Event::clicked);
        EXPECT_FALSE(lw.is_open());
    });
    EXPECT_TRUE(box_texts().empty());
    EXPECT_EQ(dir.read("log/2017-06-01.txt"), "today\r\n第二行\r\n");
}

TEST_F(LogViewer, FilesOfMorePiecesAreShownByteForByte) {
    struct {
        const char* name;
        std::size_t bytes;
        bool odd_start, cut_first, cut_second;
    } cases[] = {
        {"exactly one piece", 32765, false, false, false},
        {"one byte into the second piece, a character cut", 32766, false, true, false},
        {"three pieces, a character cut at the first boundary", 32765 * 2 + 1000, false, true, false},
        {"three pieces, a character cut at the second boundary", 32765 * 2 + 1000, true, false, true},
        {"empty", 0, false, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string text = gbk_text(c.bytes, c.odd_start);
        ASSERT_EQ(text.size(), c.bytes);
        ASSERT_EQ(cut_at(text, 32765), c.cut_first);
        ASSERT_EQ(cut_at(text, 65530), c.cut_second);
        dir.write("log/2017-05-01.txt", text);
        dir.write("log/2017-06-01.txt", text);
        w_log w;
        drive<w_log>(w, [&](w_log& lw) {
            EXPECT_TRUE(lw.mle_log.text() == text) << lw.mle_log.text().size() << " bytes shown";
            pick(lw, 1);
            EXPECT_TRUE(lw.mle_log.text() == text) << lw.mle_log.text().size() << " bytes shown";
        });
    }
}

TEST_F(LogViewer, NoFileForTodayOrNoFolder) {
    w_log none;
    drive<w_log>(none, [&](w_log& lw) {
        EXPECT_EQ(lw.ddplb_log.TotalItems(), 0);
        EXPECT_EQ(lw.mle_log.text(), "");
        EXPECT_EQ(lw.ddplb_log.SelectedIndex(), -1);
    });

    dir.write("log/2017-05-30.txt", "a");
    dir.write("log/2017-05-31.txt", "b");
    w_log w;
    drive<w_log>(w, [&](w_log& lw) {
        EXPECT_EQ(entries(lw), (std::vector<std::string>{"2017-05-30.txt", "2017-05-31.txt"}));
        EXPECT_EQ(lw.mle_log.text(), "");
        EXPECT_EQ(lw.ddplb_log.SelectedIndex(), -1);
        EXPECT_EQ(lw.ddplb_log.text(), "");
    });
    EXPECT_TRUE(box_texts().empty());
}

TEST_F(LogViewer, Screenshot) {
    std::string text;
    for (int i = 0; i < 30; ++i)
        text += log_entry("发送短信\treturnstatus[Success] message[操作成功] remainpoint[" + std::to_string(990 - i) +
                          "] taskID[1708" + std::to_string(i) + "] successCounts[1]\t");
    dir.write("log/2017-06-01.txt", text);
    dir.write("log/2017-05-31.txt", "x");
    w_log w;
    drive<w_log>(w, [&](w_log& lw) {
        EXPECT_TRUE(rt::save_png(lw, (screenshots_folder() / "w_log.png").string()));
    });
}
