#pragma once

// How long the user-interface thread is held at a stretch: a 5 ms timer, and how late it came at
// worst (a zero timer would tell it more finely, but keeps the thread spinning and spoils CPU
// figures). Measures from construction until LongestMs is read.

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <algorithm>

namespace ostrel::bench {

class UiTurnMeter {
public:
    UiTurnMeter()
    {
        m_sinceTick.start();
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(kTickMs);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            m_nLongestNs = std::max(m_nLongestNs, m_sinceTick.nsecsElapsed() - kTickMs * 1'000'000);
            m_sinceTick.restart();
        });
        m_timer.start();
    }
    double LongestMs() const { return static_cast<double>(m_nLongestNs) / 1e6; }

private:
    static constexpr int kTickMs = 5;
    QElapsedTimer m_sinceTick;
    QTimer m_timer;
    qint64 m_nLongestNs = 0;
};

} // namespace ostrel::bench
