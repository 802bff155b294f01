#include "platform/signal_watcher.h"

#include <QSocketNotifier>

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace ostrel {

namespace {

constexpr int kMaxSignal = 65;
// The write end of each watched signal's pipe plus one; 0 when none. Atomic, so the handler
// reads a whole value whatever it interrupts.
std::array<std::atomic<int>, kMaxSignal> g_signalPipes{};
std::array<struct sigaction, kMaxSignal> g_formerActions{};

extern "C" void OnWatchedSignal(int nSignal)
{
    const int nSavedErrno = errno;
    const int fd = nSignal > 0 && nSignal < kMaxSignal ? g_signalPipes[static_cast<size_t>(nSignal)].load() - 1 : -1;
    if (fd >= 0) {
        const char by = 1;
        // A full pipe already holds a wake-up; a lost byte loses nothing.
        [[maybe_unused]] const ssize_t n = ::write(fd, &by, 1);
    }
    errno = nSavedErrno;
}

} // namespace

SignalWatcher::SignalWatcher(int nSignal, std::function<void()> onSignal)
    : m_nSignal(nSignal), m_onSignal(std::move(onSignal))
{
    if (nSignal <= 0 || nSignal >= kMaxSignal || g_signalPipes[static_cast<size_t>(nSignal)].load() != 0)
        return;
    if (::pipe2(m_pipe, O_NONBLOCK | O_CLOEXEC) != 0) {
        m_pipe[0] = m_pipe[1] = -1;
        return;
    }
    g_signalPipes[static_cast<size_t>(nSignal)].store(m_pipe[1] + 1);
    struct sigaction action {};
    action.sa_handler = OnWatchedSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    if (::sigaction(nSignal, &action, &g_formerActions[static_cast<size_t>(nSignal)]) != 0) {
        g_signalPipes[static_cast<size_t>(nSignal)].store(0);
        return;
    }
    m_pNotifier = std::make_unique<QSocketNotifier>(m_pipe[0], QSocketNotifier::Read);
    QObject::connect(m_pNotifier.get(), &QSocketNotifier::activated, this, [this] { OnReadable(); });
    m_bWatching = true;
}

SignalWatcher::~SignalWatcher()
{
    if (m_bWatching) {
        ::sigaction(m_nSignal, &g_formerActions[static_cast<size_t>(m_nSignal)], nullptr);
        g_signalPipes[static_cast<size_t>(m_nSignal)].store(0);
    }
    m_pNotifier.reset();
    for (int fd : m_pipe) {
        if (fd >= 0)
            ::close(fd);
    }
}

void SignalWatcher::OnReadable()
{
    char buffer[64];
    while (::read(m_pipe[0], buffer, sizeof buffer) > 0) {
    }
    if (m_onSignal)
        m_onSignal();
}

} // namespace ostrel
