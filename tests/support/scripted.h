// Scripted stand-ins for the runtime's services, and a temporary program
// folder. A test installs them for its own lifetime only.
#pragma once

#include "runtime/services.h"
#include "runtime/tray.h"

#include <deque>
#include <filesystem>
#include <string>
#include <vector>

namespace testing_support {

struct ShownBox {
    std::string title, text; // GBK
    rt::Icon icon;
    rt::Buttons buttons;
    int default_button;
};

// Records every message box and answers from a script (default: the
// default button). Installed on construction, removed on destruction.
class RecordedBoxes {
public:
    RecordedBoxes();
    ~RecordedBoxes();
    RecordedBoxes(const RecordedBoxes&) = delete;
    RecordedBoxes& operator=(const RecordedBoxes&) = delete;

    void answer_next(int button) { answers_.push_back(button); }
    const std::vector<ShownBox>& shown() const { return shown_; }
    void clear() { shown_.clear(); }
    // The texts of the boxes shown since the last call, then forgets them.
    std::vector<std::string> take_texts() {
        std::vector<std::string> texts;
        for (const auto& b : shown_) texts.push_back(b.text);
        shown_.clear();
        return texts;
    }

private:
    class Presenter;
    std::vector<ShownBox> shown_;
    std::deque<int> answers_;
    std::unique_ptr<rt::MessageBoxPresenter> previous_;
};

// A fixed clock that a test moves by hand.
class FixedClock {
public:
    explicit FixedClock(rt::DateTime t);
    ~FixedClock();
    FixedClock(const FixedClock&) = delete;
    FixedClock& operator=(const FixedClock&) = delete;
    void set(rt::DateTime t) { now_ = t; }

private:
    class Impl;
    rt::DateTime now_;
    std::unique_ptr<rt::Clock> previous_;
};

// Random numbers from a script: each draw answers the next scripted value
// (kept within 1..n), then 1 once the script is used up. Counts the seeds.
class ScriptedRandom {
public:
    explicit ScriptedRandom(std::vector<std::int32_t> draws = {});
    ~ScriptedRandom();
    ScriptedRandom(const ScriptedRandom&) = delete;
    ScriptedRandom& operator=(const ScriptedRandom&) = delete;

    void script(std::vector<std::int32_t> draws) { draws_.assign(draws.begin(), draws.end()); }
    int draws() const { return drawn_; }
    const std::vector<std::uint32_t>& seeds() const { return seeds_; }

private:
    class Impl;
    std::deque<std::int32_t> draws_;
    int drawn_ = 0;
    std::vector<std::uint32_t> seeds_;
    std::unique_ptr<rt::Random> previous_;
};

// A notification area that records every record handed to it. `available`
// says whether the desktop has one; `accept` whether it takes an add.
class RecordedTray {
public:
    explicit RecordedTray(bool available = true);
    ~RecordedTray();
    RecordedTray(const RecordedTray&) = delete;
    RecordedTray& operator=(const RecordedTray&) = delete;

    struct Call {
        long message;
        rt::NotifyIconData data;
    };
    bool available = true;
    bool accept = true;
    const std::vector<Call>& calls() const { return calls_; }
    void clear() { calls_.clear(); }
    // Whether an icon is in the area now: added and not yet deleted.
    bool shown() const { return shown_; }

private:
    class Impl;
    std::vector<Call> calls_;
    bool shown_ = false;
    std::unique_ptr<rt::Tray> previous_;
};

// A fresh folder that serves as the program folder while the object lives.
class TempProgramFolder {
public:
    TempProgramFolder();
    ~TempProgramFolder();
    TempProgramFolder(const TempProgramFolder&) = delete;
    TempProgramFolder& operator=(const TempProgramFolder&) = delete;

    const std::filesystem::path& native() const { return dir_; } // UTF-8 native path
    std::string program() const;                                 // "\tmp\..." form

    void write(const std::string& relative_utf8, const std::string& bytes) const;
    std::string read(const std::string& relative_utf8) const;
    bool exists(const std::string& relative_utf8) const;

private:
    std::filesystem::path dir_;
    std::string previous_folder_;
};

} // namespace testing_support
