#pragma once

// One client connection: reads its requests, answers them, streams live or play pictures at
// the configured rates, sends alarm notices, and injects the faults the options ask for.
// Runs on the Qt event loop; a stream timer paces pictures by the clock, and pictures are
// skipped (not queued) while the client does not keep up.

#include "camera_feed.h"
#include "packet_builder.h"
#include "play_timeline.h"
#include "request_reader.h"
#include "trickle.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <array>
#include <deque>
#include <functional>
#include <memory>
#include <random>
#include <vector>

class QTcpSocket;

namespace ostrel::dvrsim {

class CDvrServer;

class CDvrSession : public QObject {
public:
    CDvrSession(int nId, QTcpSocket* pSocket, CDvrServer& server);
    ~CDvrSession() override;

    // Called once, when the connection has gone; the session may then be deleted.
    void SetOnFinished(std::function<void(CDvrSession*)> onFinished) { m_onFinished = std::move(onFinished); }
    // Drops the connection at once (what is queued is lost), as a recorder that goes away.
    void Drop(const QString& strWhy);
    // The server's faults of the moment changed: floods start or stop, a trickle ends.
    void OnFaultsChanged();
    // Stops or resumes reading the client's requests; sending goes on, and while deaf the
    // session answers as if the client had logged in again, kDeafAnswersPerSecond times a
    // second: each such answer makes the client send a request, which then piles up unread.
    void SetDeaf(bool bDeaf);
    static constexpr int kDeafAnswersPerSecond = 3000;

private:
    enum class Stream : uint8_t { None, Live, Play };

    void Log(const QString& strText) const;
    void OnReadyRead();
    void OnDisconnected();
    void OnStreamTick();
    void OnAlarmTick();
    void OnStatsTick();
    void OnFloodTick();
    void OnEventLogFloodTick();
    void OnTrickleTick();

    void Handle(const DvrRequest& request);
    void HandleLogin(const DvrRequest& request);
    void HandleLive(const DvrRequest& request);
    void HandlePlay(const DvrRequest& request);
    void StopStreams();
    void StartStream(Stream stream, std::vector<int> channels, int nFps);

    void SendLivePicture(int nChannel);
    void SendPlayPicture(int nChannel);
    // The JPEG to send for a picture, with the picture faults applied. pReady, when given, is
    // the picture already encoded for that moment and field (from the ring); a wrong-code
    // fault still draws one with the feed.
    const std::vector<uint8_t>& FaultedPicture(CCameraFeed& feed, int64_t nMomentMs, bool bOddField, size_t& nLength,
                                               const std::vector<uint8_t>* pReady = nullptr);
    // Puts one packet on the wire, through the packet faults.
    void Emit(std::vector<uint8_t>& packet);
    void Write(const uint8_t* pData, size_t nBytes);
    void DrainPieces();
    void FlushCoalesced();
    bool Congested() const;

    int m_nId;
    QTcpSocket* m_pSocket;
    CDvrServer& m_server;
    QString m_strPeer;
    std::function<void(CDvrSession*)> m_onFinished;
    bool m_bFinished = false;

    CRequestReader m_reader;
    CPacketBuilder m_builder;
    std::vector<uint8_t> m_packet; // reused for every packet
    bool m_bLoggedIn = false;
    QElapsedTimer m_keyLogClock;   // key emulations are logged once a second at most
    int64_t m_nKeysUnlogged = 0;
    int64_t m_nKeysSinceStats = 0;

    // Streaming.
    Stream m_stream = Stream::None;
    std::vector<int> m_channels;   // 0-based channels being streamed
    int m_nFps = 0;                // per channel
    size_t m_nNext = 0;            // round-robin index into m_channels
    QElapsedTimer m_streamClock;
    int64_t m_nStreamSent = 0;
    int64_t m_nAdvancedMs = 0;     // play time already moved, real milliseconds
    std::array<bool, 16> m_oddField{};
    std::array<int, 16> m_ringNext{}; // next ring picture per channel, with --prerendered
    QTimer m_streamTimer;
    CPlayTimeline m_timeline;
    std::array<std::unique_ptr<CCameraFeed>, 16> m_playFeeds; // made when first played

    // Notices and statistics.
    QTimer m_alarmTimer;
    int m_nAlarmCount = 0;
    QTimer m_statsTimer;
    int64_t m_nPicturesSinceStats = 0;
    int64_t m_nBytesSinceStats = 0;
    int64_t m_nSkippedSinceStats = 0;

    // Faults.
    std::mt19937 m_random;
    QTimer m_floodTimer;           // alarm flood and, while deaf, the login answers
    QElapsedTimer m_floodClock;
    int64_t m_nFloodDue = 0;       // notices or answers sent since the flood began
    int64_t m_nFlooded = 0;
    QTimer m_eventLogTimer;
    std::vector<uint8_t> m_floodLog; // the unasked event log's records, made when its flood begins
    int64_t m_nUnaskedLogs = 0;
    CTrickle m_trickle;
    QTimer m_trickleTimer;
    int64_t m_nTrickleDropped = 0; // packets not sent while one trickled
    bool m_bDeaf = false;
    int64_t m_nPacketsSent = 0;
    int64_t m_nPictures = 0;
    bool m_bSilenced = false;
    bool m_bClosing = false;
    std::deque<std::vector<uint8_t>> m_pieces; // split writes waiting for their turn
    size_t m_nPieceBytes = 0;
    QTimer m_pieceTimer;
    std::vector<uint8_t> m_coalesced;
    int m_nCoalesced = 0;
    QTimer m_coalesceTimer;
    std::vector<uint8_t> m_faultJpeg;
    // Faults injected so far, by kind; the first of each kind is logged, then only counted.
    enum FaultKind { kFaultWrongCode, kFaultTruncated, kFaultOversized, kFaultGarbage, kFaultKinds };
    std::array<int64_t, kFaultKinds> m_faults{};
    void CountFault(FaultKind kind, const QString& strFirst);
};

} // namespace ostrel::dvrsim
