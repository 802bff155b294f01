#pragma once

// The listening side of dvrsim: accepts connections, gives each its own CDvrSession, and owns
// what sessions share: the options, the 16 live camera feeds and the recorded range.

#include "camera_feed.h"
#include "fault_plan.h"
#include "packet_builder.h"
#include "picture_ring.h"
#include "ptz_head.h"
#include "sim_options.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QObject>
#include <QTcpServer>
#include <QTimer>

#include <array>
#include <memory>
#include <vector>

namespace ostrel::dvrsim {

class CDvrSession;

class CDvrServer : public QObject {
public:
    explicit CDvrServer(const SimOptions& options);
    ~CDvrServer() override;

    // Starts listening; false (and a log line) when the address or port cannot be had.
    bool Listen();
    uint16_t Port() const;

    const SimOptions& Options() const { return m_options; }
    // The options with the fault plan's current window in force: the faults to inject now.
    // Without a plan, the options.
    const SimOptions& Faults() const { return m_faults; }
    // The fault plan wants every connection to keep still (nothing sent, nothing closed).
    bool Silent() const { return m_bSilent; }
    CCameraFeed& LiveFeed(int nChannel) { return *m_liveFeeds[static_cast<size_t>(nChannel & 15)]; }
    // The pre-encoded live pictures (--prerendered), or null when live pictures are drawn as asked.
    const CPictureRing* Ring() const { return m_ring.get(); }
    // The head of camera nCamera (1-based); cameras 1 to 8 sit on one, the others are fixed (null).
    CPtzHead* Head(int nCamera);
    static constexpr int kMovableCameras = 8;
    // The recorded range now: its end follows the clock unless fixed by an option.
    RecordedRange Range() const;
    static int64_t NowMs();

private:
    void OnNewConnection();
    void OnSessionFinished(CDvrSession* pSession);
    // Puts in force what the fault plan holds now and sets the timer for its next change.
    void OnPlanTick();
    void DropEverySession(const QString& strWhy);

    SimOptions m_options;
    SimOptions m_faults;
    CFaultPlan m_plan;
    CFaultPlan::State m_planState;
    QElapsedTimer m_planClock;     // from the first Listen
    QTimer m_planTimer;
    bool m_bSilent = false;
    QHostAddress m_address;        // as first listened on, for listening again after an outage
    uint16_t m_wListenPort = 0;
    QTcpServer m_server;
    std::array<CPtzHead, kMovableCameras> m_heads; // before the feeds that point at them
    std::array<std::unique_ptr<CCameraFeed>, 16> m_liveFeeds;
    std::unique_ptr<CPictureRing> m_ring;
    std::vector<std::unique_ptr<CDvrSession>> m_sessions;
    int64_t m_nRangeStart = 0;
    int m_nNextId = 1;
};

} // namespace ostrel::dvrsim
