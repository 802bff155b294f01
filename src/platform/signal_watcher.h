#pragma once

#include <QObject>

#include <functional>
#include <memory>

class QSocketNotifier;

namespace ostrel {

// Turns a POSIX signal into a call on the thread that made the watcher, from its event loop.
// The handler only writes one byte into a pipe, which is all a signal handler may safely do;
// a QSocketNotifier on the other end of the pipe drains it and makes the call, once for any
// number of signals that arrived meanwhile. One watcher per signal at a time; the former
// disposition comes back when it goes.
class SignalWatcher : public QObject {
public:
    SignalWatcher(int nSignal, std::function<void()> onSignal);
    ~SignalWatcher() override;
    SignalWatcher(const SignalWatcher&) = delete;
    SignalWatcher& operator=(const SignalWatcher&) = delete;

    // False when the pipe or the handler could not be set up (the signal then keeps its
    // former disposition) or another watcher has the signal.
    bool IsWatching() const { return m_bWatching; }

private:
    void OnReadable();

    int m_nSignal;
    std::function<void()> m_onSignal;
    int m_pipe[2] = {-1, -1};
    bool m_bWatching = false;
    std::unique_ptr<QSocketNotifier> m_pNotifier;
};

} // namespace ostrel
