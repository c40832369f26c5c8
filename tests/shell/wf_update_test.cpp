// The self-update against the fake gateway: the whole path to the new
// client started by the launcher, and every failure of the procedure.
#include "shell/w_mdi.h"

#include "runtime/path.h"
#include "runtime/profile.h"
#include "tests/shell/shell_fixture.h"

#include <QProcess>

#include <chrono>
#include <deque>
#include <set>
#include <thread>

namespace {

namespace fs = std::filesystem;
const std::string client = std::string("velotra") + rt::exe_suffix;

// Draws the numbers a test lines up, then 1, 2, 3, ...
class ScriptedRandom {
public:
    ScriptedRandom() { previous_ = rt::set_random(std::make_unique<Impl>(queue_)); }
    ~ScriptedRandom() { rt::set_random(std::move(previous_)); }
    void next(std::int32_t n) { queue_.push_back(n); }
    void forget() { queue_.clear(); }

private:
    struct Impl final : rt::Random {
        explicit Impl(std::deque<std::int32_t>& q) : queue(q) {}
        std::int32_t rand(std::int32_t) override {
            if (queue.empty()) return ++counter;
            const std::int32_t n = queue.front();
            queue.pop_front();
            return n;
        }
        std::deque<std::int32_t>& queue;
        std::int32_t counter = 0;
    };
    std::deque<std::int32_t> queue_;
    std::unique_ptr<rt::Random> previous_;
};

std::string script_writing(const fs::path& marker) {
    return "#!/bin/sh\necho started > '" + marker.string() + "'\n";
}

// The archive with its one stored entry's data changed: the checksum no
// longer matches.
rt::blob with_bad_checksum(rt::blob zip, const std::string& entry) {
    zip[30 + entry.size()] ^= 0x20;
    return zip;
}

struct Update : ShellTest {
    ScriptedRandom random;
    w_mdi* frame = nullptr;

    void SetUp() override {
        ShellTest::SetUp();
        dir.write(client, "the running client");
        frame = &open_frame();
    }
    void serve_update(const std::string& descriptor, const rt::blob& archive, int status = 200) {
        gateway.serve("/sms/update/update.txt", descriptor);
        gateway.serve("/sms/update/velotra.zip", archive, status);
    }
    std::string run_key() {
        return rt::ProfileString(gnv_app->of_getappinifile(), "cfg", "run", "<missing>").value_or("<null>");
    }
    // The program folder's files (not folders), by name.
    std::set<std::string> program_files() {
        std::set<std::string> names;
        for (const auto& e : fs::directory_iterator(dir.native()))
            // The background sheet's poster comes and goes with the sheet.
            if (e.is_regular_file() && e.path().extension() != ".jpg") names.insert(e.path().filename().string());
        return names;
    }
    std::set<std::string> update_files() {
        std::set<std::string> names;
        if (fs::is_directory(dir.native() / "update"))
            for (const auto& e : fs::directory_iterator(dir.native() / "update")) names.insert(e.path().filename().string());
        return names;
    }
    std::vector<std::string> box_texts() { return boxes.take_texts(); }
};

fs::path bin_dir() { return std::getenv("VELOTRA_BIN_DIR"); }

bool wait_for(const fs::path& file) {
    for (int i = 0; i < 600 && !fs::exists(file); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    return fs::exists(file);
}

} // namespace

TEST_F(Update, FromTheToolToTheNewClientStartedByTheLauncher) {
    const fs::path marker = dir.native() / "marker";
    serve_update("[update]\r\nFile=velotra.zip\r\nExecute=velotra\r\nMD5=nothing it matches\r\n",
                 FakeGateway::zip_archive("velotra", script_writing(marker)));
    random.next(815);
    frame->wf_open_module("Tool_update");
    EXPECT_EQ(box_texts(), std::vector<std::string>{"程序更新完成,请重新运行程序!"});
    EXPECT_EQ(run_key(), "velotra_815");
    const fs::path fresh = dir.native() / "velotra_815";
    ASSERT_TRUE(fs::is_regular_file(fresh));
    EXPECT_EQ(fs::status(fresh).permissions() & fs::perms::all, fs::perms(0755));
    EXPECT_EQ(dir.read("update/" + client), "the running client");
    EXPECT_FALSE(dir.exists(client));
    EXPECT_EQ(update_files(), (std::set<std::string>{"update.txt", "velotra_815.zip", client}));

    // The built launcher, beside the client, started from another folder.
    const fs::path launcher = dir.native() / ("dorvane" + std::string(rt::exe_suffix));
    fs::copy_file(bin_dir() / launcher.filename(), launcher);
    testing_support::TempProgramFolder elsewhere;
    QProcess p;
    p.setWorkingDirectory(QString::fromStdString(elsewhere.native().string()));
    p.start(QString::fromStdString(launcher.string()), {});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_TRUE(wait_for(marker)) << "the new client did not start";
}

TEST_F(Update, TwoUpdatesInOneRun) {
    serve_update("[update]\r\nExecute=velotra\r\n", FakeGateway::zip_archive("velotra", "#!/bin/sh\n"));
    random.next(7);
    frame->wf_update();
    random.next(9);
    frame->wf_update();
    EXPECT_EQ(box_texts(), (std::vector<std::string>{"程序更新完成,请重新运行程序!", "程序更新完成,请重新运行程序!"}));
    EXPECT_EQ(run_key(), "velotra_9");
    EXPECT_EQ(update_files(), (std::set<std::string>{"update.txt", "velotra_7.zip", "velotra_9.zip", client, "velotra_7"}));
    EXPECT_EQ(program_files(), (std::set<std::string>{"velotra.ini", "velotra_9"}));
}

TEST_F(Update, ANameInUseIsDrawnAgainAndNothingIsWrittenOver) {
    serve_update("[update]\r\nExecute=velotra\r\n", FakeGateway::zip_archive("velotra", "#!/bin/sh\n"));
    // 5 names the running executable, 6 an archive of an earlier update,
    // 7 a file in the program folder: 8 is the first free name.
    rt::SetProfileString(gnv_app->of_getappinifile(), "cfg", "run", "velotra_5");
    dir.write("velotra_5", "running");
    dir.write("update/velotra_6.zip", "earlier");
    dir.write("velotra_7", "someone's file");
    // A replaced executable of the same name is already kept in update\.
    dir.write("update/velotra_5", "kept earlier");
    for (int n : {5, 6, 7, 8}) random.next(n);
    frame->wf_update();
    EXPECT_EQ(box_texts(), std::vector<std::string>{"程序更新完成,请重新运行程序!"});
    EXPECT_EQ(run_key(), "velotra_8");
    EXPECT_EQ(dir.read("update/velotra_6.zip"), "earlier");
    EXPECT_EQ(dir.read("velotra_7"), "someone's file");
    EXPECT_EQ(dir.read("update/velotra_5"), "kept earlier");
    EXPECT_EQ(dir.read("update/velotra_5.1"), "running");
    EXPECT_TRUE(dir.exists("velotra_8"));
}

TEST_F(Update, NeitherAFolderNorALongRunOfTakenDrawsGivesATakenName) {
    serve_update("[update]\r\nExecute=velotra\r\n", FakeGateway::zip_archive("velotra", "#!/bin/sh\n"));
    // A folder of the drawn name: drawn again.
    fs::create_directory(dir.native() / "velotra_3");
    random.next(3);
    random.next(4);
    EXPECT_EQ(frame->wf_update(), 1);
    EXPECT_EQ(box_texts(), std::vector<std::string>{"程序更新完成,请重新运行程序!"});
    EXPECT_EQ(run_key(), "velotra_4");
    EXPECT_TRUE(fs::is_empty(dir.native() / "velotra_3"));
    // Every draw, well past a thousand, meets someone's file: still not taken.
    random.forget();
    dir.write("velotra_6", "someone's file");
    for (int i = 0; i < 1200; ++i) random.next(6);
    EXPECT_EQ(frame->wf_update(), 1);
    EXPECT_EQ(box_texts(), std::vector<std::string>{"程序更新完成,请重新运行程序!"});
    EXPECT_NE(run_key(), "velotra_6");
    EXPECT_EQ(dir.read("velotra_6"), "someone's file");
    EXPECT_FALSE(dir.exists("update/velotra_6.zip"));
}

TEST_F(Update, DescriptorDefaultsAndUntrimmedValues) {
    // Without File and Execute: velotra.zip and the client's own name.
    serve_update("[update]\r\n", FakeGateway::zip_archive(client, "#!/bin/sh\n"));
    frame->wf_update();
    EXPECT_EQ(box_texts(), std::vector<std::string>{"程序更新完成,请重新运行程序!"});
    // A value is taken as it stands: " velotra.zip" is another file.
    gateway.serve("/sms/update/update.txt", "[update]\r\nFile= velotra.zip\r\n");
    gateway.serve("/sms/update/%20velotra.zip", "", 404);
    frame->wf_update();
    const auto texts = box_texts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_NE(texts[0], "程序更新完成,请重新运行程序!");
}

TEST_F(Update, EveryFailureShowsItsMessageAndChangesNoExecutable) {
    const std::string descriptor = "[update]\r\nExecute=velotra\r\n";
    const rt::blob good = FakeGateway::zip_archive("velotra", "#!/bin/sh\necho new\n");
    struct {
        const char* name;
        std::function<void()> arrange;
        std::vector<std::string> boxes;
    } cases[] = {
        {"descriptor missing", [&] { gateway.serve("/sms/update/update.txt", "404 Not Found", 404); },
         {"访问服务器资源失败"}},
        {"archive missing", [&] { serve_update(descriptor, "Not Found", 404); }, {"访问服务器资源失败"}},
        {"archive that says 404", [&] { serve_update(descriptor, "<html>404</html>"); }, {"访问服务器资源失败"}},
        {"archive not a zip", [&] { serve_update(descriptor, "just some text, no archive"); },
         {"The zip file is invalid or can't be found!", "The zip file is invalid or can't be found!"}},
        {"entry missing", [&] { serve_update("[update]\r\nExecute=velotra_new\r\n", good); },
         {"Unable to locate file 'velotra_new' within archive!"}},
        {"wrong checksum", [&] { serve_update(descriptor, with_bad_checksum(good, "velotra")); },
         {"Error extracting file 'velotra' within archive!"}},
        {"truncated archive", [&] { serve_update(descriptor, good.substr(0, good.size() / 2)); },
         {"The zip file is invalid or can't be found!", "The zip file is invalid or can't be found!"}},
        {"[cfg] run not writable",
         [&] {
             serve_update(descriptor, good);
             fs::permissions(dir.native() / "velotra.ini", fs::perms::owner_read);
         },
         {"程序更新失败!"}},
    };
    rt::SetProfileString(gnv_app->of_getappinifile(), "cfg", "run", client);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fs::permissions(dir.native() / "velotra.ini", fs::perms::owner_read | fs::perms::owner_write);
        boxes.clear();
        const std::set<std::string> before = program_files();
        c.arrange();
        EXPECT_EQ(frame->wf_update(), -1);
        EXPECT_EQ(box_texts(), c.boxes);
        EXPECT_EQ(run_key(), client);
        EXPECT_EQ(program_files(), before);
        EXPECT_EQ(dir.read(client), "the running client");
    }
    fs::permissions(dir.native() / "velotra.ini", fs::perms::owner_read | fs::perms::owner_write);
}
