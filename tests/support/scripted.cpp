#include "tests/support/scripted.h"

#include "runtime/path.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace testing_support {

class RecordedBoxes::Presenter final : public rt::MessageBoxPresenter {
public:
    explicit Presenter(RecordedBoxes& owner) : owner_(owner) {}
    int show(const std::string& title, const std::string& text, rt::Icon icon, rt::Buttons buttons,
             int default_button) override {
        owner_.shown_.push_back({title, text, icon, buttons, default_button});
        if (owner_.answers_.empty()) return default_button;
        int a = owner_.answers_.front();
        owner_.answers_.pop_front();
        return a;
    }

private:
    RecordedBoxes& owner_;
};

RecordedBoxes::RecordedBoxes() : previous_(rt::set_message_boxes(std::make_unique<Presenter>(*this))) {}
RecordedBoxes::~RecordedBoxes() { rt::set_message_boxes(std::move(previous_)); }

class FixedClock::Impl final : public rt::Clock {
public:
    explicit Impl(FixedClock& owner) : owner_(owner) {}
    rt::DateTime now() override { return owner_.now_; }

private:
    FixedClock& owner_;
};

FixedClock::FixedClock(rt::DateTime t) : now_(t), previous_(rt::set_clock(std::make_unique<Impl>(*this))) {}
FixedClock::~FixedClock() { rt::set_clock(std::move(previous_)); }

class ScriptedRandom::Impl final : public rt::Random {
public:
    explicit Impl(ScriptedRandom& owner) : owner_(owner) {}
    std::int32_t rand(std::int32_t n) override {
        ++owner_.drawn_;
        if (owner_.draws_.empty()) return 1;
        const std::int32_t v = owner_.draws_.front();
        owner_.draws_.pop_front();
        return v < 1 ? 1 : (v > n ? n : v);
    }
    void randomize(std::uint32_t seed) override { owner_.seeds_.push_back(seed); }

private:
    ScriptedRandom& owner_;
};

ScriptedRandom::ScriptedRandom(std::vector<std::int32_t> draws)
    : draws_(draws.begin(), draws.end()), previous_(rt::set_random(std::make_unique<Impl>(*this))) {}
ScriptedRandom::~ScriptedRandom() { rt::set_random(std::move(previous_)); }

class RecordedTray::Impl final : public rt::Tray {
public:
    explicit Impl(RecordedTray& owner) : owner_(owner) {}
    bool available() override { return owner_.available; }
    bool notify_icon(long message, const rt::NotifyIconData& data) override {
        owner_.calls_.push_back({message, data});
        if (message == rt::nim_add) {
            if (!owner_.available || !owner_.accept || owner_.shown_) return false;
            owner_.shown_ = true;
            return true;
        }
        if (!owner_.shown_) return false;
        if (message == rt::nim_delete) owner_.shown_ = false;
        return true;
    }

private:
    RecordedTray& owner_;
};

RecordedTray::RecordedTray(bool avail) : available(avail), previous_(rt::set_tray(std::make_unique<Impl>(*this))) {}
RecordedTray::~RecordedTray() { rt::set_tray(std::move(previous_)); }

TempProgramFolder::TempProgramFolder() : previous_folder_(rt::program_folder()) {
    std::string tmpl = (std::filesystem::temp_directory_path() / "velotra-test-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
    dir_ = tmpl;
    rt::set_program_folder(program());
}

TempProgramFolder::~TempProgramFolder() {
    rt::set_program_folder(previous_folder_);
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
}

std::string TempProgramFolder::program() const { return rt::program_path(dir_.string()); }

void TempProgramFolder::write(const std::string& rel, const std::string& bytes) const {
    auto p = dir_ / rel;
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << bytes;
}

std::string TempProgramFolder::read(const std::string& rel) const {
    std::ifstream in(dir_ / rel, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

bool TempProgramFolder::exists(const std::string& rel) const { return std::filesystem::exists(dir_ / rel); }

} // namespace testing_support
