#pragma once

#include "platform/command_runner.h"

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// The screen's resolution for full-screen use: switched to the size the full-screen window
// needs, and put back to what the operator had.

namespace ostrel {

// Requests return at once and are carried out one after another, in the order they were
// made; nothing waits for the display system.
class DisplayMode {
public:
    // Whether the screen shows the size asked for: true when it already did or the switch
    // went through; false where the output has no such mode, the switch failed, or modes
    // cannot be switched at all (no X display, no xrandr). The caller then shows the window
    // another way.
    using SizeAnswer = std::function<void(bool bHasSize)>;

    virtual ~DisplayMode() = default;
    // Reads the mode in effect; when it already has nWidth x nHeight nothing changes. Otherwise
    // the mode in effect is remembered (unless an earlier switch of this program is still
    // unrestored: then the operator's mode stays remembered) and the screen is switched.
    // answer, when set, is called once with the outcome, perhaps before EnterSize returns;
    // a request dropped at the object's end is not answered.
    virtual void EnterSize(int nWidth, int nHeight, SizeAnswer answer) = 0;
    // When this program switched the mode, switches back to the remembered one and forgets it;
    // otherwise does nothing. Runs after any request still in flight. Called just before the
    // object is destroyed (at program end) it still takes effect.
    virtual void Restore() = 0;
    // Whether this program has switched the mode (the switch was issued, whatever its result)
    // and not yet switched it back.
    virtual bool Changed() const = 0;
};

// Through the X server's RandR extension, by running the xrandr program: "xrandr --current"
// to read the primary output (else the first connected one that shows a picture), then
// "xrandr --output <output> --mode <mode>" with the first listed mode of the wanted size that
// is not interlaced; when the output has no such mode nothing is switched. The way back sets
// the remembered mode and refresh rate on the same output. Where the program does not run on
// an X display or xrandr is not installed, every request does nothing. Use it on the
// user-interface thread.
class XrandrDisplayMode final : public DisplayMode {
public:
    // Runs xrandr as a child process; whether it can is looked up at the first request.
    XrandrDisplayMode();
    // Runs the commands through rRunner, which must outlive this object (tests feed it canned
    // answers); bAvailable says whether there is an X display with xrandr. With strCrashProgram
    // (an absolute path), a crash while the screen is switched runs it with the way back's
    // arguments; the program itself resolves xrandr for that.
    XrandrDisplayMode(CommandRunner& rRunner, bool bAvailable, std::string strCrashProgram = {});
    // Finishes a requested Restore that has not completed, with a detached xrandr that outlives
    // the program; every other pending request is dropped.
    ~XrandrDisplayMode() override;
    XrandrDisplayMode(const XrandrDisplayMode&) = delete;
    XrandrDisplayMode& operator=(const XrandrDisplayMode&) = delete;

    void EnterSize(int nWidth, int nHeight, SizeAnswer answer) override;
    void Restore() override;
    bool Changed() const override { return m_bChanged; }

private:
    struct Request {
        bool bRestore = false;
        int nWidth = 0;
        int nHeight = 0;
        SizeAnswer answer;
    };
    struct Mode {
        std::string strOutput;
        std::string strMode;
        std::string strRate; // as xrandr printed it, "60.00"; empty when none was marked
    };
    enum class Running { Nothing, Query, Switch, Restore };

    bool Available();
    void RunNext();
    void OnQueried(const Request& request, bool bOk, const std::string& strOutput);
    void RunCommand(Running what, std::vector<std::string> args, SizeAnswer answer = {});
    static std::vector<std::string> RestoreArguments(const Mode& mode);

    std::unique_ptr<CommandRunner> m_pOwnRunner; // the default xrandr child processes
    CommandRunner& m_rRunner;
    std::string m_strCrashProgram; // run with the way back's arguments should the program crash
    std::optional<bool> m_bAvailable;     // not yet looked up while empty
    std::deque<Request> m_queue;          // requests not yet started
    Running m_running = Running::Nothing;
    std::vector<std::string> m_runningArgs;
    std::optional<Mode> m_remembered;     // the operator's mode while this program changed it
    bool m_bChanged = false;
};

} // namespace ostrel
