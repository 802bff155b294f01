#pragma once

#include "link/decode_workers.h"
#include "link/event_log_saver.h"
#include "link/link_archive.h"
#include "link/link_view.h"
#include "link/packet_framer.h"
#include "link/picture_completion.h"
#include "link/wire_format.h"
#include "platform/file_store.h"
#include "platform/notifier.h"
#include "platform/stream_socket.h"
#include "platform/timer_service.h"
#include "platform/ui_wakeup.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace ostrel {

// The start and control of a playback, as the archive dialog encodes them (P0..P3 of the play
// request).
struct PlayRequest {
    uint32_t dwDate = 0;      // P1: date word, or on a version 1 recorder the requested position in seconds
    uint32_t dwTime = 0;      // P2: time word, or on a version 1 recorder the end of the range in seconds
    uint32_t dwCtrl = 0;      // P3: play control word; bits 8-15 zero = stop
    uint8_t byChannel = 255;  // m_nSelChannel, 0-based; 255 = none (P0 = 0)
    bool operator==(const PlayRequest&) const = default;
};

// What the link's state is at one moment, for the tests and the fuzz checks: one value instead
// of a getter for each field.
struct LinkProbe {
    bool bHasSocket = false;
    bool bHasBuffers = false;
    uint8_t byState = 0;            // last state-changing request kind (wire::REQ_*)
    uint8_t byPrevState = 0;        // restored after an event log
    bool bHeaderChannelMode = false; // channel info not 0, 4 or 16: the header's channel is taken
    uint8_t byMissCount = 0;        // image watchdog expiries since the last reset
    uint8_t byReconnectAttempts = 0;
    bool bStopPending = false;      // a confirmed stop awaits its reply
    bool bCountingPlayImages = false; // a play stop was sent: play images are counted
    uint8_t byPlayImages = 0;       // ... and this many came
    size_t nExpected = 0;           // payload bytes announced
    size_t nCollected = 0;          // payload bytes collected
    size_t nImageBufferCapacity = 0;
};

// One connection to a recorder: builds requests, frames what arrives, keeps the link alive.
//
// How to drive it, all from one thread:
//  - events in: OnSocketConnected / OnSocketReadable (from the socket it made), OnTimer (from
//    the timer service it made itself at construction);
//  - commands in: Connect, Disconnect, SendRequest, SendPlay and the other Send* operations,
//    SetImageWatchdog, StartReconnect;
//  - out: bytes through the socket, timer starts and stops, and events on LinkView (status with
//    its code, miss count and alarm word; pictures as pooled handles) and on the archive's
//    LinkPlayState / LinkPlayback / LinkEventLog. None of those calls re-enters the link; a lost
//    connection is reported with LinkView::OnLinkLost from a posted step, after the handler that
//    found it has returned, so the listener may then call Disconnect (which destroys the socket).
// Time is never read here: every delay is a timer, and the tests run it on a fake clock.
class CDvrLink final : public StreamSocketEvents, public TimerTarget, private PacketSink {
public:
    // Timer IDs, as the view and the tests know them.
    static constexpr int kImageWatchdogTimerId = 101; // 5000 ms: the recorder fell silent
    static constexpr int kStopRetryTimerId = 103;     // 300 ms: an unconfirmed stop is sent again
    static constexpr int kReconnectTimerId = 104;     // 5000 ms: one reconnection attempt
    static constexpr int kStatusPollTimerId = 105;    // 30000 ms: status request
    static constexpr int kLoginStepTimerId = 106;     // the login answer's 200 ms and 500 ms waits
    static constexpr int kPostedEventTimerId = 107;   // 0 ms: reports to the view, posted
    static constexpr int kConnectTimeoutTimerId = 108; // a connect not standing by then has failed
    static constexpr int kDefaultConnectTimeoutMs = 5000;
    static constexpr int kImageWatchdogMs = 5000;
    static constexpr int kStopRetryMs = 300;
    static constexpr int kReconnectMs = 5000;
    static constexpr int kStatusPollMs = 30000;
    static constexpr int kLoginKeyWaitMs = 200;
    static constexpr int kLoginStatusWaitMs = 500;

    static constexpr size_t kReceiveBytes = PacketFramer::kReceiveBytes; // one read at most
    static constexpr size_t kSendBytes = 1024;     // so a PTZ payload holds at most 964 bytes
    static constexpr size_t kMaxPtzPayload = kSendBytes - wire::kMinPacketBytes;
    static constexpr uint16_t kLoginKeyCode = 0x201;
    static constexpr uint8_t kPlayImageLimit = 20; // counted play images before a reconnection
    static constexpr const char* kPtzReplyText = "Direct Pantilt Camera Control";
    // Undecoded pictures beyond one per decoder thread before reading waits (and this thread
    // decodes one of them at each turn meanwhile).
    static constexpr int kBacklogWaiting = 4;
    static constexpr size_t kMaxUntaken = 24;      // decoded or not, before reading waits for the taker
    // With decoder threads, a picture is still decoded on this thread while none is on its way
    // and fewer bytes than this wait behind it: a stream this thread keeps up with costs no
    // hand-overs (sixteen cameras at 30 a second gather about 100 KB between two reads), and
    // the threads take over once the socket's read-ahead (256 KB) is nearly full.
    static constexpr size_t kInlineBacklogBytes = 192 * 1024;
    // Reads at most when the backlog clears: far more than the socket's read-ahead holds, so
    // the loop ends when the bytes do; only a safety net against a socket that never runs dry.
    static constexpr int kResumeReads = 1024;

    // Replaces the picture path (decode, check, pool) when set: called with each complete live
    // or play payload. For tests and benchmarks that stub the decoder.
    using ImageCompletion = std::function<void(const CompletedPayload& payload)>;

    struct Services {
        TimerFactory& rTimers;
        SocketFactory& rSockets;
        FileStore& rFiles;
        Notifier& rNotifier;
    };

    // pView may be null (the link then logs in without the status request and gives up any
    // reconnection at once).
    CDvrLink(Services services, LinkView* pView);
    ~CDvrLink() override;
    CDvrLink(const CDvrLink&) = delete;
    CDvrLink& operator=(const CDvrLink&) = delete;

    // The archive side's three parts; any may be null (no archive).
    void RegisterArchive(LinkPlayState* pPlayState, LinkPlayback* pPlayback, LinkEventLog* pEventLog);
    void SetImageCompletion(ImageCompletion completion) { m_imageCompletion = std::move(completion); }
    // Pictures are decoded on nThreads decoder threads, their results taken back on this thread
    // through a wake-up made by pWakeups; 0 threads (or no factory) decodes here, as the link
    // completes each picture. A picture decoded on a thread is shown only if the link's state
    // when it comes back still allows it: the same connection, no stop pending, the archive
    // still active (play) or not (live), its channel still in the live mask, no search begun
    // since it was complete. Even with threads, a picture is decoded here while none is on its
    // way and fewer than nInlineBytes wait in the socket behind it; 0 hands every one over.
    void SetDecodeThreads(int nThreads, UiWakeupFactory* pWakeups, size_t nInlineBytes = kInlineBacklogBytes);
    // Event logs are written on a thread of their own, the archive told when each is on disk
    // through a wake-up made by pWakeups; null writes them here, as each completes.
    void SaveEventLogsOnThread(UiWakeupFactory* pWakeups);
    int DecodeThreads() const { return m_pictures.Threads(); }

    // Commands.
    // False when a socket already exists or the connect cannot start; true when under way.
    // A connect that does not stand within the connect timeout has failed (TimedOut).
    bool Connect(const std::string& strHost, uint16_t wPort);
    void SetConnectTimeoutMs(int nMs) { m_nConnectTimeoutMs = nMs; }
    // Closes the socket; with bRelease also frees the buffers and ends any reconnection.
    bool Disconnect(bool bRelease);
    void SetImageWatchdog(bool bArm);
    void StartReconnect(bool bStart);

    // Request builder. Each does nothing while there is no socket or no buffers.
    // REQ_PLAY sends the last play request given to SendPlay.
    void SendRequest(uint8_t byKind, bool bArm);
    // Keeps the request (the watchdog and a new login send it again), then sends REQ_PLAY.
    void SendPlay(const PlayRequest& request, bool bArm);
    // Keeps the request without sending it: the play fields as the archive last wrote them.
    void SetPlayRequest(const PlayRequest& request) { m_lastPlay = request; }
    void SendKeyEmul(uint16_t wKeyCode);
    void SendDvrStatus2();
    // False (nothing sent) when the payload does not fit the send buffer or the socket's
    // unsent queue is full.
    bool SendPtzData(const uint8_t* pData, size_t nBytes);
    // Raw bytes; nBytes 0 means up to the first NUL byte.
    void SendPacket(const uint8_t* pData, size_t nBytes);

    // State, for the session.
    uint8_t ProtocolVersion() const { return m_byProtocolVersion; }
    // Reconnections begun since the link was made: every StartReconnect(true), from the
    // watchdog or from stray play pictures. Read by the soak run's counter report.
    uint32_t ReconnectsStarted() const { return m_dwReconnectsStarted; }
    const PlayRequest& LastPlayRequest() const { return m_lastPlay; }
    PictureCompletion& Pictures() { return m_pictures; }
    LinkProbe Probe() const;

private:
    // Play images counted after a play stop (m_wPlayImageCounter).
    struct PlayImageCount {
        bool bArmed = false;
        uint8_t byCount = 0;
    };
    // A request's parameters as BuildParams makes them.
    struct RequestParams {
        uint32_t dwDataType = 0;
        wire::ParamBlock p{};
    };

    // StreamSocketEvents and TimerTarget.
    void OnSocketConnected(bool bOk) override;
    void OnSocketReadable() override;
    void OnTimer(int nId) override;

    // The request builder's steps: the state a request kind enters, its parameters, its send,
    // and what waits for its answer.
    static bool IsRequestKind(uint8_t byKind);
    void EnterState(uint8_t byKind);
    RequestParams BuildParams(uint8_t byKind) const;
    bool SendLogin();
    void ArmAfter(uint8_t byKind, bool bArm);

    bool HasBuffers() const { return !m_sendBuf.empty(); }
    // Empties the reassembly: nothing expected, nothing collected.
    void ResetReassembly();
    void AllocateBuffers();
    void FreeBuffers();
    void ShowStatus(StatusCode code);
    void PostLinkLost(LinkLoss reason);
    bool ArchiveActive() const { return m_pPlayState && m_pPlayState->IsArchiveActive(); }
    bool ArchivePlaying() const { return m_pPlayState && m_pPlayState->IsPlaying(); }
    bool ArchiveSearching() const { return m_pPlayState && m_pPlayState->IsSearching(); }
    // A request's header: the echoed magic and a total length of 60 + the payload.
    wire::PacketHeader RequestHeader(uint32_t dwDataType, uint32_t dwPacketType, size_t nPayloadBytes = 0) const;
    // False when the socket refused the packet because its unsent queue is full; a
    // reconnection has then begun.
    bool SendBuilt(const wire::PacketHeader& header, const uint8_t* pBlock, size_t nBlockBytes,
                   const uint8_t* pPayload, size_t nPayloadBytes);
    bool SendBytes(const uint8_t* pData, size_t nBytes);

    void OnLoginReply(const wire::PacketHeader& header, const wire::ParamBlock& p);
    void RunLoginStep();
    void OnImageWatchdogExpired();
    void OnReconnectTimerExpired();
    void OnStopRetryExpired();
    // A connect failed (refused, unreachable, no address) or timed out.
    void OnConnectFailed(ConnectFailure why);

    // PacketSink: what the framer cuts out of the stream.
    void OnPacket(const wire::PacketHeader& header, const wire::ParamBlock& p, const uint8_t* pPayload,
                  size_t nPayloadHere, bool bHeaderInThisRead) override;
    void OnContinuation(const uint8_t* pBytes, size_t nBytes) override;
    uint8_t* ContinuationTarget() override;
    void OnReadFramed() override;

    // An image or event-log header: true when its payload is to be collected.
    bool OnCollectingHeader(const wire::PacketHeader& header, const wire::ParamBlock& p);
    void StartCollecting(const wire::PacketHeader& header, const uint8_t* pPayload, size_t nAvailable,
                         bool bHeaderInThisRead);
    void CompleteCollection(bool bSingleRead);
    void CompletePicture(bool bSingleRead);
    // Hands an accepted or failed picture to the live side or the archive.
    void DeliverPicture(const CompletedPayload& payload, const CompletedPicture& result);
    // The decoder threads' results, taken back here.
    void OnDecodesReady();
    void DeliverDecoded();
    // The decoder threads have enough waiting: reading pauses until they catch up.
    bool DecodeBacklogFull() const;
    // Reading waits for the threads; this thread helps them at its next turn.
    void HoldReading();
    // Reads what waited while the backlog was full.
    void ResumeReading();
    // A completed picture is decoded on this thread although decoder threads run.
    bool DecodeHere() const;
    // Whether the state of this moment still allows a picture completed as payload describes.
    bool StillWanted(const CompletedPayload& payload, uint32_t dwConnection) const;
    void CompleteEventLog();

    SocketFactory& m_rSockets;
    FileStore& m_rFiles;
    Notifier& m_rNotifier;
    LinkView* m_pView;                        // the live side; null only in tests
    LinkPlayState* m_pPlayState = nullptr;    // the archive's parts, once registered
    LinkPlayback* m_pPlayback = nullptr;
    LinkEventLog* m_pEventLog = nullptr;
    ImageCompletion m_imageCompletion;
    PictureCompletion m_pictures; // the live and play decoders and the picture pool
    std::unique_ptr<UiWakeup> m_pDecodeWakeup;     // rung by the decoder threads
    std::unique_ptr<std::array<DecodedPicture, CDecodeWorkers::kSlots>> m_pDecoded; // taken back
    std::unique_ptr<TimerService> m_pTimers;
    std::unique_ptr<CEventLogSaver> m_pEventLogSaver; // null: logs are written on this thread

    std::unique_ptr<StreamSocket> m_pSocket;
    PacketFramer m_framer;

    uint8_t m_byState = wire::REQ_LOGIN;     // last state-changing request kind
    uint8_t m_byPrevState = wire::REQ_LIVE;  // restored after an event log
    uint8_t m_byProtocolVersion = 2;         // 1, 2 or 3, from the login reply's magic
    wire::Magic m_echoedMagic = wire::MakeMagic(wire::kMagicV10);
    bool m_bHeaderChannelMode = false;       // trust the header's channel, not the picture's
    uint8_t m_byMissCount = 0;               // image watchdog expiries since the last reset
    uint8_t m_byReconnectAttempts = 0;       // attempts made by the current reconnection
    uint32_t m_dwReconnectsStarted = 0;
    bool m_bStopPending = false;             // a confirmed stop awaits its reply
    PlayImageCount m_playImages;             // m_wPlayImageCounter
    AlarmWord m_alarm;                       // the last alarm event
    uint16_t m_wKeyCode = 0;                 // argument of the key emulation request
    uint8_t m_nCurrentChannel = 0;           // channel named by the last image header
    PlayRequest m_lastPlay;                  // m_dwPlayDate, m_dwPlayTime, m_dwPlayCtrl, channel
    bool m_bActivity = false;                // the current read handled a packet: the lamp blinks
    uint32_t m_dwConnection = 0;             // connections made and dropped
    int m_nConnectTimeoutMs = kDefaultConnectTimeoutMs;
    ConnectFailure m_lastFailure = ConnectFailure::None; // of the last failed connect
    bool m_bReadHeld = false;                // a readable socket waits for the decoder threads
    size_t m_nInlineBytes = kInlineBacklogBytes; // see SetDecodeThreads

    // The login answer's deferred steps: 0 = none pending.
    enum class LoginStep : uint8_t { None, AfterKeyEmul, AfterStatus };
    LoginStep m_loginStep = LoginStep::None;
    bool m_bLossPosted = false;
    LinkLoss m_postedLoss = LinkLoss::ConnectFailed;

    // Buffers, allocated when the connection stands.
    std::vector<uint8_t> m_imageBuf;   // image buffer A: payload being collected
    std::vector<uint8_t> m_sendBuf;    // SendDataBuf

    // Reassembly.
    wire::PacketHeader m_imageHeader;
    size_t m_nExpected = 0;     // payload bytes announced
    size_t m_nCollected = 0;    // payload bytes in image buffer A
    bool m_bCollecting = false; // the rest of the current packet goes to image buffer A
};

} // namespace ostrel
