// The command-bar layout of res/velotra.tb3, compiled into the client: the
// frame falls back on it when the file beside the program cannot be used.
#pragma once

#include <string>

std::string builtin_layout();
