#include "platform/display_mode.h"

#include "platform/crash_command.h"
#include "platform/qt_command_runner.h"

#include <QGuiApplication>
#include <QStandardPaths>

#include <algorithm>
#include <cctype>
#include <string_view>

namespace ostrel {

namespace {

constexpr const char* kXrandr = "xrandr";

struct OutputState {
    std::string strName;
    bool bPrimary = false;
    int nWidth = 0;  // of the picture it shows, in pixels
    int nHeight = 0;
    std::string strMode; // the mode in effect ("*" after its rate)
    std::string strRate;
    std::vector<std::string> modes; // in the listed order
};

std::vector<std::string_view> Words(std::string_view line)
{
    std::vector<std::string_view> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i])))
            ++i;
        const size_t nStart = i;
        while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i])))
            ++i;
        if (i > nStart)
            words.push_back(line.substr(nStart, i - nStart));
    }
    return words;
}

// A decimal number of at most six digits at the start of s; -1 when there is none.
int TakeNumber(std::string_view& s)
{
    int n = 0;
    size_t i = 0;
    while (i < s.size() && i < 6 && std::isdigit(static_cast<unsigned char>(s[i])))
        n = n * 10 + (s[i++] - '0');
    if (i == 0 || (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))))
        return -1;
    s.remove_prefix(i);
    return n;
}

// "1024x768" at the start of s (for a mode name, or "1920x1080+0+0" of an output); the rest
// of s is left after it.
bool TakeSize(std::string_view& s, int& nWidth, int& nHeight)
{
    std::string_view rest = s;
    nWidth = TakeNumber(rest);
    if (nWidth <= 0 || rest.empty() || rest.front() != 'x')
        return false;
    rest.remove_prefix(1);
    nHeight = TakeNumber(rest);
    if (nHeight <= 0)
        return false;
    s = rest;
    return true;
}

// The outputs of "xrandr --current" that show a picture. Lines that do not parse are skipped.
std::vector<OutputState> ParseOutputs(const std::string& strText)
{
    std::vector<OutputState> outputs;
    bool bInActiveOutput = false;
    std::string_view text = strText;
    while (!text.empty()) {
        const size_t nEnd = text.find('\n');
        const std::string_view line = text.substr(0, nEnd);
        text.remove_prefix(nEnd == std::string_view::npos ? text.size() : nEnd + 1);
        const std::vector<std::string_view> words = Words(line);
        if (words.empty())
            continue;
        if (!std::isspace(static_cast<unsigned char>(line.front()))) {
            // "DP-1 connected primary 1920x1080+0+0 (normal left ...) 344mm x 194mm"
            bInActiveOutput = false;
            if (words.size() < 3 || words[1] != "connected")
                continue;
            OutputState output;
            output.strName = std::string(words[0]);
            size_t nGeometry = 2;
            if (words[2] == "primary") {
                output.bPrimary = true;
                nGeometry = 3;
            }
            if (nGeometry >= words.size())
                continue;
            std::string_view geometry = words[nGeometry];
            if (!TakeSize(geometry, output.nWidth, output.nHeight) || geometry.empty() || geometry.front() != '+')
                continue;
            outputs.push_back(std::move(output));
            bInActiveOutput = true;
            continue;
        }
        if (!bInActiveOutput)
            continue;
        // "   1920x1080     60.02*+  59.97  " or, from older versions, "60.0 *"
        OutputState& output = outputs.back();
        output.modes.emplace_back(words[0]);
        for (size_t i = 1; i < words.size(); ++i) {
            if (words[i].find('*') == std::string_view::npos)
                continue;
            std::string rate(words[i]);
            rate.erase(std::remove_if(rate.begin(), rate.end(), [](char c) { return c == '*' || c == '+'; }), rate.end());
            if (rate.empty() && i > 1)
                rate = std::string(words[i - 1]);
            output.strMode = std::string(words[0]);
            output.strRate = rate;
        }
    }
    return outputs;
}

// The first listed mode of the output that has the size and is not interlaced.
std::optional<std::string> ModeOfSize(const OutputState& output, int nWidth, int nHeight)
{
    for (const std::string& strMode : output.modes) {
        std::string_view rest = strMode;
        int nModeWidth = 0, nModeHeight = 0;
        if (!TakeSize(rest, nModeWidth, nModeHeight) || nModeWidth != nWidth || nModeHeight != nHeight)
            continue;
        if (!rest.empty() && rest.front() == 'i')
            continue;
        return strMode;
    }
    return std::nullopt;
}

} // namespace

XrandrDisplayMode::XrandrDisplayMode()
    : m_pOwnRunner(std::make_unique<QtCommandRunner>()), m_rRunner(*m_pOwnRunner),
      m_strCrashProgram(QStandardPaths::findExecutable(QString::fromLatin1(kXrandr)).toStdString())
{
}

XrandrDisplayMode::XrandrDisplayMode(CommandRunner& rRunner, bool bAvailable, std::string strCrashProgram)
    : m_rRunner(rRunner), m_strCrashProgram(std::move(strCrashProgram)), m_bAvailable(bAvailable)
{
}

XrandrDisplayMode::~XrandrDisplayMode()
{
    // A restore that was asked for must happen although no event loop will run it: the
    // running command (perhaps the switch itself) is killed first, then the restore goes out
    // as a process of its own.
    std::vector<std::string> restoreArgs;
    if (m_running == Running::Restore)
        restoreArgs = m_runningArgs;
    else if (m_bChanged && m_remembered
             && std::any_of(m_queue.begin(), m_queue.end(), [](const Request& r) { return r.bRestore; }))
        restoreArgs = RestoreArguments(*m_remembered);
    m_rRunner.Cancel();
    if (!restoreArgs.empty())
        m_rRunner.StartDetached(kXrandr, restoreArgs);
    if (m_bChanged)
        crash_command::Clear(); // the way back is out, or was never asked for at the end
}

bool XrandrDisplayMode::Available()
{
    if (!m_bAvailable)
        m_bAvailable = QGuiApplication::platformName() == QLatin1String("xcb")
            && !QStandardPaths::findExecutable(QString::fromLatin1(kXrandr)).isEmpty();
    return *m_bAvailable;
}

void XrandrDisplayMode::EnterSize(int nWidth, int nHeight, SizeAnswer answer)
{
    if (!Available() || nWidth <= 0 || nHeight <= 0) {
        if (answer)
            answer(false);
        return;
    }
    m_queue.push_back({false, nWidth, nHeight, std::move(answer)});
    RunNext();
}

void XrandrDisplayMode::Restore()
{
    if (!Available())
        return;
    m_queue.push_back({true, 0, 0, {}});
    RunNext();
}

void XrandrDisplayMode::RunNext()
{
    while (m_running == Running::Nothing && !m_queue.empty()) {
        const Request request = m_queue.front();
        m_queue.pop_front();
        if (!request.bRestore) {
            m_running = Running::Query;
            m_runningArgs = {"--current"};
            m_rRunner.Start(kXrandr, m_runningArgs, [this, request](bool bOk, const std::string& strOutput) {
                OnQueried(request, bOk, strOutput);
            });
            return;
        }
        if (!m_bChanged || !m_remembered)
            continue; // nothing of ours to undo
        std::vector<std::string> args = RestoreArguments(*m_remembered);
        m_remembered.reset();
        m_bChanged = false;
        crash_command::Clear();
        RunCommand(Running::Restore, std::move(args));
    }
}

void XrandrDisplayMode::RunCommand(Running what, std::vector<std::string> args, SizeAnswer answer)
{
    m_running = what;
    m_runningArgs = std::move(args);
    m_rRunner.Start(kXrandr, m_runningArgs, [this, answer = std::move(answer)](bool bOk, const std::string&) {
        m_running = Running::Nothing;
        m_runningArgs.clear();
        if (answer)
            answer(bOk);
        RunNext();
    });
}

void XrandrDisplayMode::OnQueried(const Request& request, bool bOk, const std::string& strOutput)
{
    const int nWidth = request.nWidth;
    const int nHeight = request.nHeight;
    m_running = Running::Nothing;
    m_runningArgs.clear();
    const std::vector<OutputState> outputs = bOk ? ParseOutputs(strOutput) : std::vector<OutputState>();
    const auto primary = std::find_if(outputs.begin(), outputs.end(), [](const OutputState& o) { return o.bPrimary; });
    const OutputState* pOutput = primary != outputs.end() ? &*primary : outputs.empty() ? nullptr : &outputs.front();
    bool bHasSize = pOutput && pOutput->nWidth == nWidth && pOutput->nHeight == nHeight;
    if (pOutput && !bHasSize && !pOutput->strMode.empty()) {
        if (const std::optional<std::string> mode = ModeOfSize(*pOutput, nWidth, nHeight)) {
            // After a switch of ours the mode in effect is our own: the operator's stays remembered.
            if (!m_bChanged)
                m_remembered = Mode{pOutput->strName, pOutput->strMode, pOutput->strRate};
            m_bChanged = true;
            if (!m_strCrashProgram.empty())
                crash_command::Set(m_strCrashProgram, RestoreArguments(*m_remembered));
            RunCommand(Running::Switch, {"--output", pOutput->strName, "--mode", *mode}, request.answer);
            return;
        }
    }
    if (request.answer)
        request.answer(bHasSize);
    RunNext();
}

std::vector<std::string> XrandrDisplayMode::RestoreArguments(const Mode& mode)
{
    std::vector<std::string> args = {"--output", mode.strOutput, "--mode", mode.strMode};
    if (!mode.strRate.empty()) {
        args.push_back("--rate");
        args.push_back(mode.strRate);
    }
    return args;
}

} // namespace ostrel
