#include "platform/crash_command.h"

#include <array>
#include <csignal>
#include <cstring>
#include <unistd.h>

extern char** environ;

namespace ostrel::crash_command {

namespace {

constexpr size_t kMaxArgs = 8;
constexpr size_t kMaxChars = 255;
constexpr std::array<int, 5> kFatalSignals = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT};

// Written before the command is armed and read only by the handler: nothing in the handler
// allocates or takes a lock.
char g_text[kMaxArgs + 1][kMaxChars + 1];
char* g_argv[kMaxArgs + 2];
volatile sig_atomic_t g_bArmed = 0;
struct sigaction g_previous[kFatalSignals.size()];
bool g_bInstalled = false;

void OnFatalSignal(int nSignal, siginfo_t* pInfo, void*)
{
    if (g_bArmed) {
        g_bArmed = 0;
        const pid_t pid = fork();
        if (pid == 0) {
            execve(g_argv[0], g_argv, environ);
            _exit(127);
        }
    }
    // Back to the handler before ours. A fault the kernel raised comes again when the
    // faulting instruction re-runs on return; a signal that was sent (abort, kill) is sent again.
    for (size_t i = 0; i < kFatalSignals.size(); ++i)
        if (kFatalSignals[i] == nSignal)
            sigaction(nSignal, &g_previous[i], nullptr);
    if (!pInfo || pInfo->si_code <= 0)
        raise(nSignal);
}

void Install()
{
    if (g_bInstalled)
        return;
    g_bInstalled = true;
    struct sigaction action {};
    action.sa_sigaction = OnFatalSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_SIGINFO | SA_NODEFER;
    for (size_t i = 0; i < kFatalSignals.size(); ++i)
        sigaction(kFatalSignals[i], &action, &g_previous[i]);
}

} // namespace

bool Set(const std::string& strProgram, const std::vector<std::string>& args)
{
    Clear();
    if (strProgram.empty() || strProgram.front() != '/' || args.size() > kMaxArgs)
        return false;
    std::vector<const std::string*> words{&strProgram};
    for (const std::string& arg : args)
        words.push_back(&arg);
    for (const std::string* pWord : words)
        if (pWord->size() > kMaxChars || pWord->find('\0') != std::string::npos)
            return false;
    for (size_t i = 0; i < words.size(); ++i) {
        std::memcpy(g_text[i], words[i]->c_str(), words[i]->size() + 1);
        g_argv[i] = g_text[i];
    }
    g_argv[words.size()] = nullptr;
    Install();
    g_bArmed = 1;
    return true;
}

void Clear()
{
    g_bArmed = 0;
}

} // namespace ostrel::crash_command
