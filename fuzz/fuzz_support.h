// What every fuzz target shares: message boxes that answer without a word
// (a reader's failure box would fill the terminal), and a scratch folder
// of its own that is the program folder.
#pragma once

#include "runtime/path.h"
#include "runtime/services.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <unistd.h>

namespace fuzzing {

class SilentBoxes final : public rt::MessageBoxPresenter {
public:
    int show(const std::string&, const std::string&, rt::Icon, rt::Buttons, int default_button) override {
        return default_button;
    }
};

// Created once per process, in memory where there is a /dev/shm, since
// the zip service syncs every file it extracts.
inline const std::filesystem::path& scratch() {
    // Never freed, so that the clean-up at exit still has it.
    static const std::filesystem::path* folder = [] {
        const char* chosen = std::getenv("VELOTRA_FUZZ_SCRATCH"); // scripts/fuzz.sh removes it afterwards
        std::filesystem::path base = chosen                                ? std::filesystem::path(chosen)
                                     : std::filesystem::exists("/dev/shm") ? std::filesystem::path("/dev/shm")
                                                                           : std::filesystem::temp_directory_path();
        auto* f = new std::filesystem::path(base / ("velotra-fuzz-" + std::to_string(::getpid())));
        std::filesystem::remove_all(*f);
        std::filesystem::create_directories(*f);
        rt::set_program_folder(rt::program_path(f->string()));
        rt::set_message_boxes(std::make_unique<SilentBoxes>());
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(scratch(), ec);
        });
        return f;
    }();
    return *folder;
}

inline void write_file(const std::filesystem::path& p, const std::string& bytes) {
    std::ofstream(p, std::ios::binary | std::ios::trunc) << bytes;
}

inline std::string read_file(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

} // namespace fuzzing
