#include "shell/counter_report.h"

#include "shell/ostrel_app.h"
#include "shell/ostrel_view.h"

#include <csignal>
#include <cstdio>

namespace ostrel {

std::string FormatCounterLine(const CounterSnapshot& snapshot)
{
    char line[160];
    std::snprintf(line, sizeof line, "ostrel counters: pictures=%llu reconnects=%lu state=%u uptime_ms=%lld\n",
                  static_cast<unsigned long long>(snapshot.nPicturesDrawn), static_cast<unsigned long>(snapshot.dwReconnects),
                  static_cast<unsigned>(snapshot.byConnectState), static_cast<long long>(snapshot.nUptimeMs));
    return line;
}

CounterReport::CounterReport(const COstrelApp& app) : m_app(app), m_watcher(SIGUSR1, [this] { Write(); })
{
    m_uptime.start();
}

CounterSnapshot CounterReport::Snapshot() const
{
    CounterSnapshot snapshot;
    if (const COstrelView* pView = m_app.GetView())
        snapshot.nPicturesDrawn = pView->PicturesDrawn();
    if (CRecorderSession* pSession = m_app.Session()) {
        snapshot.dwReconnects = pSession->Link().ReconnectsStarted();
        snapshot.byConnectState = static_cast<uint8_t>(pSession->ConnectionState());
    }
    snapshot.nUptimeMs = m_uptime.elapsed();
    return snapshot;
}

void CounterReport::Write() const
{
    const std::string strLine = FormatCounterLine(Snapshot());
    std::fputs(strLine.c_str(), stderr);
    std::fflush(stderr);
}

} // namespace ostrel
