#include "runtime/services.h"

#include <cstdio>
#include <ctime>
#include <random>
#include <sys/time.h>

namespace rt {
namespace {

class SystemClock final : public Clock {
public:
    DateTime now() override {
        timeval tv{};
        gettimeofday(&tv, nullptr);
        std::tm tm{};
        time_t secs = tv.tv_sec;
        localtime_r(&secs, &tm);
        return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour,
                tm.tm_min,         tm.tm_sec,     static_cast<int>(tv.tv_usec / 1000)};
    }
};

class SystemRandom final : public Random {
public:
    std::int32_t rand(std::int32_t n) override {
        if (n <= 1) return 1;
        std::uniform_int_distribution<std::int32_t> d(1, n);
        return d(engine_);
    }
    void randomize(std::uint32_t seed) override {
        if (seed == 0) {
            timeval tv{};
            gettimeofday(&tv, nullptr);
            seed = static_cast<std::uint32_t>(tv.tv_sec) ^ static_cast<std::uint32_t>(tv.tv_usec << 12) ^
                   std::random_device{}();
        }
        engine_.seed(seed);
    }

private:
    std::mt19937 engine_{std::random_device{}()};
};

// Until the window half installs its presenter (programs without a screen,
// the quiet tests), a box is written to stderr and answers its default.
class ConsoleMessageBoxes final : public MessageBoxPresenter {
public:
    int show(const std::string& title, const std::string& text, Icon, Buttons,
             int default_button) override {
        std::fprintf(stderr, "[%s] %s\n", title.c_str(), text.c_str());
        return default_button;
    }
};

class NoFileDialog final : public FileDialog {
public:
    int get_file_open_name(const std::string&, std::string&, std::string&, const std::string&,
                           const std::string&, const std::string&) override {
        return 0;
    }
};

class NoClipboard final : public Clipboard {
public:
    nstring text() override { return text_; }
    void set_text(const std::string& s) override { text_ = s; }
    void clear() override { text_ = null; }

private:
    nstring text_;
};

class NoBrowser final : public Browser {
public:
    bool open_url(const std::string&) override { return false; }
};

template <class T> std::unique_ptr<T>& slot();
template <> std::unique_ptr<Clock>& slot<Clock>() {
    static std::unique_ptr<Clock> s = std::make_unique<SystemClock>();
    return s;
}
template <> std::unique_ptr<Random>& slot<Random>() {
    static std::unique_ptr<Random> s = std::make_unique<SystemRandom>();
    return s;
}
template <> std::unique_ptr<MessageBoxPresenter>& slot<MessageBoxPresenter>() {
    static std::unique_ptr<MessageBoxPresenter> s = std::make_unique<ConsoleMessageBoxes>();
    return s;
}
template <> std::unique_ptr<FileDialog>& slot<FileDialog>() {
    static std::unique_ptr<FileDialog> s = std::make_unique<NoFileDialog>();
    return s;
}
template <> std::unique_ptr<Clipboard>& slot<Clipboard>() {
    static std::unique_ptr<Clipboard> s = std::make_unique<NoClipboard>();
    return s;
}
template <> std::unique_ptr<Browser>& slot<Browser>() {
    static std::unique_ptr<Browser> s = std::make_unique<NoBrowser>();
    return s;
}

template <class T> std::unique_ptr<T> swap_in(std::unique_ptr<T> next) {
    std::unique_ptr<T> prev = std::move(slot<T>());
    slot<T>() = std::move(next);
    return prev;
}

} // namespace

Clock& clock() { return *slot<Clock>(); }
Random& random() { return *slot<Random>(); }
MessageBoxPresenter& message_boxes() { return *slot<MessageBoxPresenter>(); }
FileDialog& file_dialog() { return *slot<FileDialog>(); }
Clipboard& clipboard() { return *slot<Clipboard>(); }
Browser& browser() { return *slot<Browser>(); }

std::unique_ptr<Clock> set_clock(std::unique_ptr<Clock> c) { return swap_in(std::move(c)); }
std::unique_ptr<Random> set_random(std::unique_ptr<Random> r) { return swap_in(std::move(r)); }
std::unique_ptr<MessageBoxPresenter> set_message_boxes(std::unique_ptr<MessageBoxPresenter> m) {
    return swap_in(std::move(m));
}
std::unique_ptr<FileDialog> set_file_dialog(std::unique_ptr<FileDialog> f) { return swap_in(std::move(f)); }
std::unique_ptr<Clipboard> set_clipboard(std::unique_ptr<Clipboard> c) { return swap_in(std::move(c)); }
std::unique_ptr<Browser> set_browser(std::unique_ptr<Browser> b) { return swap_in(std::move(b)); }

void Randomize(std::uint32_t seed) { random().randomize(seed); }

int MessageBox(const std::string& title, const std::string& text, Icon icon, Buttons buttons,
               int default_button) {
    return message_boxes().show(title, text, icon, buttons, default_button);
}

} // namespace rt
