#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

// Runs helper programs (xrandr) for the user-interface thread without waiting for them.

namespace ostrel {

class CommandRunner {
public:
    // bOk: the program started and ended by itself with exit status 0. strOutput: what it wrote
    // to its standard output, at most kMaxOutputBytes (more counts as a failure).
    using DoneFn = std::function<void(bool bOk, const std::string& strOutput)>;
    static constexpr size_t kMaxOutputBytes = 1024 * 1024;

    virtual ~CommandRunner() = default;
    // Starts strProgram (looked up on the PATH) with the arguments and returns at once; fnDone
    // follows once, from the event loop, never inside this call. One command at a time: starting
    // another while one runs cancels the first. A program that cannot start is reported through
    // fnDone like any other failure.
    virtual void Start(const std::string& strProgram, const std::vector<std::string>& args, DoneFn fnDone) = 0;
    // Stops the running command, if any: it is killed and its fnDone is never called.
    virtual void Cancel() = 0;
    // Starts a program that lives on after this runner and this process (for work that must
    // happen at exit); no outcome is reported. False when it cannot be started.
    virtual bool StartDetached(const std::string& strProgram, const std::vector<std::string>& args) = 0;
};

} // namespace ostrel
