// Command lines run as processes of their own: the standard tools stand in
// for the programs a caller starts.
#include "core/nvo_runandwait.h"
#include "tests/support/scripted.h"

#include <gtest/gtest.h>

#include <chrono>

namespace {

struct Outcome {
    int answer;
    int exit_code;
    std::string output;
};

Outcome run(const std::string& command_line, int wait_ms = 60000) {
    Outcome r{};
    r.answer = nvo_runandwait().of_runandwait(command_line, wait_ms, r.output, r.exit_code);
    return r;
}

double seconds_since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

TEST(RunAndWait, EndsStartsNotOrFails) {
    struct {
        const char* command_line;
        int answer;
        int exit_code;
        std::string output;
    } cases[] = {
        {"true", 1, 0, ""},
        {"false", 1, 1, ""},
        // Arguments cross as GBK both ways; blanks only separate them.
        {"echo  澄渊达   b", 1, 0, "澄渊达 b\n"},
        // Nothing is a shell's: no variable, no chaining, no redirection.
        {"echo $HOME;true >x", 1, 0, "$HOME;true >x\n"},
        {"test -e /no/such/file", 1, 1, ""},
        {"no-such-program-of-velotra", -1, -1, ""},
        {"", -1, -1, ""},
        {"   ", -1, -1, ""},
    };
    for (const auto& c : cases) {
        const Outcome r = run(c.command_line);
        EXPECT_EQ(r.answer, c.answer) << c.command_line;
        EXPECT_EQ(r.exit_code, c.exit_code) << c.command_line;
        EXPECT_EQ(r.output, c.output) << c.command_line;
    }
}

TEST(RunAndWait, OutputIsBothStreamsAndOneReadsWorth) {
    const Outcome failed = run("ls /no/such/folder");
    EXPECT_EQ(failed.exit_code, 2);
    EXPECT_NE(failed.output.find("/no/such/folder"), std::string::npos) << failed.output;
    const Outcome r = run("seq 20000");
    EXPECT_EQ(r.answer, 1);
    ASSERT_EQ(r.output.size(), 32765u);
    EXPECT_EQ(r.output.substr(0, 4), "1\n2\n");
}

TEST(RunAndWait, KillsAProcessThatRunsPastTheWait) {
    const auto start = std::chrono::steady_clock::now();
    const Outcome r = run("sleep 30", 300);
    EXPECT_EQ(r.answer, 0);
    EXPECT_EQ(r.exit_code, -1);
    // Well before the process would have ended by itself, however busy the machine.
    EXPECT_LT(seconds_since(start), 20.0);
}

TEST(RunAndWait, UnboundedFormWaitsForTheEndAndAlwaysAnswers1) {
    testing_support::TempProgramFolder dir;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(nvo_runandwait().of_runandwait("sleep 1"), 1);
    EXPECT_GE(seconds_since(start), 0.9);
    EXPECT_EQ(nvo_runandwait().of_runandwait("touch " + dir.native().string() + "/ran"), 1);
    EXPECT_TRUE(dir.exists("ran"));
    EXPECT_EQ(nvo_runandwait().of_runandwait("false"), 1);
    EXPECT_EQ(nvo_runandwait().of_runandwait("no-such-program-of-velotra"), 1);
    EXPECT_EQ(nvo_runandwait().of_runandwait(""), 1);
}
