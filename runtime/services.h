// Replaceable services: everything the program asks of the outside world
// that a test must be able to script. The program uses the real ones; a test
// installs its own with the set_* functions and restores the previous one.
#pragma once

#include "runtime/value.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace rt {

// ---- clock ----------------------------------------------------------------
struct DateTime {
    int year = 1900, month = 1, day = 1;
    int hour = 0, minute = 0, second = 0, millisecond = 0;
};

class Clock {
public:
    virtual ~Clock() = default;
    virtual DateTime now() = 0; // local time
};

// ---- random ---------------------------------------------------------------
class Random {
public:
    virtual ~Random() = default;
    // A whole number from 1 to n, as the runtime's Rand(n).
    virtual std::int32_t rand(std::int32_t n) = 0;
    // Starts the sequence anew: 0 from the clock, any other seed repeatably.
    virtual void randomize(std::uint32_t seed) { (void)seed; }
};

// The runtime's Randomize(n). The program seeds once, at start-up; every
// later draw goes on from there, so that two draws in one second differ.
void Randomize(std::uint32_t seed);

// ---- message boxes --------------------------------------------------------
enum class Icon { Information = 0, StopSign = 1, Exclamation = 2, Question = 3, None = 4 };
enum class Buttons { OK = 0, OKCancel = 1, RetryCancel = 2, AbortRetryIgnore = 3, YesNo = 4, YesNoCancel = 5 };

class MessageBoxPresenter {
public:
    virtual ~MessageBoxPresenter() = default;
    // Shows a modal box and answers the 1-based number of the button pressed.
    // Esc or the close box answers the cancelling button (never Yes).
    virtual int show(const std::string& title, const std::string& text, Icon icon,
                     Buttons buttons, int default_button) = 0;
};

// The runtime's MessageBox: title and text are GBK.
int MessageBox(const std::string& title, const std::string& text, Icon icon = Icon::Information,
               Buttons buttons = Buttons::OK, int default_button = 1);

// ---- file dialog ----------------------------------------------------------
class FileDialog {
public:
    virtual ~FileDialog() = default;
    // The runtime's GetFileOpenName: `filter` in the original syntax (pairs
    // of caption and pattern separated by ","). On OK sets the full path and
    // the file name (program form, GBK) and answers 1; 0 on cancel; -1 on error.
    virtual int get_file_open_name(const std::string& title, std::string& pathname,
                                   std::string& filename, const std::string& extension,
                                   const std::string& filter, const std::string& initdir) = 0;
};

// ---- clipboard ------------------------------------------------------------
class Clipboard {
public:
    virtual ~Clipboard() = default;
    virtual nstring text() = 0; // GBK; null when the clipboard holds no text
    virtual void set_text(const std::string& gbk) = 0;
    virtual void clear() = 0;
};

// ---- browser --------------------------------------------------------------
class Browser {
public:
    virtual ~Browser() = default;
    // Opens a page in the default web browser; true when it was handed over.
    virtual bool open_url(const std::string& gbk_url) = 0;
};

// Access and replacement. The set_* functions take ownership and return the
// service they replaced, so a test can put it back.
Clock& clock();
Random& random();
MessageBoxPresenter& message_boxes();
FileDialog& file_dialog();
Clipboard& clipboard();
Browser& browser();

std::unique_ptr<Clock> set_clock(std::unique_ptr<Clock>);
std::unique_ptr<Random> set_random(std::unique_ptr<Random>);
std::unique_ptr<MessageBoxPresenter> set_message_boxes(std::unique_ptr<MessageBoxPresenter>);
std::unique_ptr<FileDialog> set_file_dialog(std::unique_ptr<FileDialog>);
std::unique_ptr<Clipboard> set_clipboard(std::unique_ptr<Clipboard>);
std::unique_ptr<Browser> set_browser(std::unique_ptr<Browser>);

} // namespace rt
