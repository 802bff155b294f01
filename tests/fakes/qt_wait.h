#pragma once

// Waiting on the Qt event loop in tests that talk to real sockets and processes.

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

#include <functional>

namespace ostrel::test {

// Runs the event loop for nMs, sleeping while nothing happens.
inline void RunEventLoop(int nMs)
{
    QEventLoop loop;
    QTimer::singleShot(nMs, &loop, &QEventLoop::quit);
    loop.exec();
}

// Runs the event loop until pred() holds (true) or nMs have passed (false).
inline bool WaitUntil(const std::function<bool()>& pred, int nMs = 5000)
{
    QDeadlineTimer deadline(nMs);
    while (!pred()) {
        if (deadline.hasExpired())
            return false;
        RunEventLoop(10);
    }
    return true;
}

} // namespace ostrel::test
