#pragma once

// How long the user-interface thread is held at a stretch: the longest single event it
// dispatched (socket notification, timer, posted call, paint), timed around the outermost
// QCoreApplication::notify. It adds no wake-ups of its own, so the CPU figures of a light load
// are not spoilt. Needs the bench's application to be a TimedApplication; measures from the
// meter's construction until LongestMs is read.

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>

namespace ostrel::bench {

class TimedApplication final : public QApplication {
public:
    TimedApplication(int& argc, char** argv) : QApplication(argc, argv) { m_clock.start(); }

    bool notify(QObject* pReceiver, QEvent* pEvent) override
    {
        if (m_nDepth++ > 0) {
            const bool bResult = QApplication::notify(pReceiver, pEvent);
            --m_nDepth;
            return bResult;
        }
        const qint64 nStart = m_clock.nsecsElapsed();
        const bool bResult = QApplication::notify(pReceiver, pEvent);
        m_nLongestNs = std::max(m_nLongestNs, m_clock.nsecsElapsed() - nStart);
        --m_nDepth;
        return bResult;
    }
    void ResetLongest() { m_nLongestNs = 0; }
    qint64 LongestNs() const { return m_nLongestNs; }

private:
    QElapsedTimer m_clock;
    int m_nDepth = 0;
    qint64 m_nLongestNs = 0;
};

class UiTurnMeter {
public:
    UiTurnMeter()
    {
        if (auto* pApp = dynamic_cast<TimedApplication*>(QCoreApplication::instance()))
            pApp->ResetLongest();
    }
    double LongestMs() const
    {
        const auto* pApp = dynamic_cast<const TimedApplication*>(QCoreApplication::instance());
        return pApp ? static_cast<double>(pApp->LongestNs()) / 1e6 : -1.0;
    }
};

} // namespace ostrel::bench
