#pragma once

#include <string>
#include <vector>

// One command the program leaves behind when it crashes: set while something it changed
// outside itself must be put back (the screen's mode), run by the handler of the fatal signals
// (SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT) as a child process that outlives the program.
// The handler then hands the signal on to whoever handled it before (the sanitizers' reports,
// the default core dump).

namespace ostrel::crash_command {

// Keeps the command for a crash: strProgram is an absolute path, run with args. Arguments that
// do not fit the fixed room set aside for them (8 of 255 bytes each, after the program) keep
// nothing. Installs the handlers on first use. Call from one thread.
bool Set(const std::string& strProgram, const std::vector<std::string>& args);
// Forgets it: a crash from now on runs nothing.
void Clear();

} // namespace ostrel::crash_command
