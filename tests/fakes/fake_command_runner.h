#pragma once

#include "platform/command_runner.h"

#include <string>
#include <utility>
#include <vector>

namespace ostrel::test {

// Commands that finish when the test says so. Every start is recorded as one line, program
// and arguments joined by spaces ("xrandr --output DP-1 --mode 1024x768"); detached starts are
// recorded apart.
class FakeCommandRunner final : public CommandRunner {
public:
    void Start(const std::string& strProgram, const std::vector<std::string>& args, DoneFn fnDone) override
    {
        if (m_fnDone)
            ++nCancelled;
        started.push_back(Line(strProgram, args));
        m_fnDone = std::move(fnDone);
    }
    void Cancel() override
    {
        if (m_fnDone)
            ++nCancelled;
        m_fnDone = nullptr;
    }
    bool StartDetached(const std::string& strProgram, const std::vector<std::string>& args) override
    {
        detached.push_back(Line(strProgram, args));
        return true;
    }

    bool Running() const { return static_cast<bool>(m_fnDone); }
    // Ends the running command with its outcome, as the event loop would report it. False when
    // none runs.
    bool Finish(bool bOk, const std::string& strOutput = {})
    {
        if (!m_fnDone)
            return false;
        DoneFn fnDone = std::move(m_fnDone);
        m_fnDone = nullptr;
        fnDone(bOk, strOutput);
        return true;
    }

    std::vector<std::string> started;
    std::vector<std::string> detached;
    int nCancelled = 0;

private:
    static std::string Line(const std::string& strProgram, const std::vector<std::string>& args)
    {
        std::string line = strProgram;
        for (const std::string& arg : args)
            line += " " + arg;
        return line;
    }

    DoneFn m_fnDone;
};

} // namespace ostrel::test
