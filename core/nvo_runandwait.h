// Starts a command line as a process of its own and waits for it to end.
//
// A command line here is a program and its arguments separated by blanks. It
// is split at the blanks and the program is started directly with that
// argument list, never through a shell: no character of it quotes,
// redirects, chains or expands anything, so a caller that puts outside text
// into an argument need only keep blanks out of it. The program is looked for
// on the PATH; the process has no window and no input, and runs with the
// caller's environment and current folder.
#pragma once

#include <string>

class nvo_runandwait {
public:
    // Runs as_exe and waits, without a time limit, until it has ended; what
    // it writes is discarded. Always 1, whether or not it could be started.
    int of_runandwait(const std::string& as_exe);

    // The same, bounded, reading what the process writes through a pipe
    // instead of a file: waits at most ai_wait_ms for the start and as long
    // again for the end, and kills a process still running then.
    // as_output gets the first 32,765 bytes of its standard output and error
    // together, as GBK, and ai_exitcode its exit code (-1 unless it exited,
    // a crash included). 1 when it ended by itself within the wait, 0 when the wait ran
    // out, -1 when it could not be started.
    int of_runandwait(const std::string& as_exe, int ai_wait_ms, std::string& as_output, int& ai_exitcode);
};
