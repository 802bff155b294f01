#pragma once

#include "link/link_archive.h"
#include "link/link_view.h"
#include "link/picture_completion.h"
#include "link/wire_format.h"
#include "platform/file_store.h"
#include "platform/notifier.h"
#include "platform/stream_socket.h"
#include "platform/timer_service.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace ostrel {

// One connection to a recorder: builds requests, frames what arrives, keeps the link alive.
//
// How to drive it, all from one thread:
//  - events in: OnSocketConnected / OnSocketReadable (from the socket it made), OnTimer (from
//    its timer service);
//  - commands in: Connect, Disconnect, SendRequest and the other Send* operations,
//    SetImageWatchdog, StartReconnect;
//  - out: bytes through the socket, timer starts and stops, and calls on LinkView and
//    LinkArchive. None of those calls re-enters the link; a lost connection is reported with
//    LinkView::OnLinkLost from a posted step, after the handler that found it has returned,
//    so the view may then call Disconnect (which destroys the socket) safely.
// Time is never read here: every delay is a timer, and the tests run it on a fake clock.
class CDvrLink final : public StreamSocketEvents, public TimerTarget {
public:
    // Timer IDs, as the view and the tests know them.
    static constexpr int kImageWatchdogTimerId = 101; // 5000 ms: the recorder fell silent
    static constexpr int kStopRetryTimerId = 103;     // 300 ms: an unconfirmed stop is sent again
    static constexpr int kReconnectTimerId = 104;     // 5000 ms: one reconnection attempt
    static constexpr int kStatusPollTimerId = 105;    // 30000 ms: status request
    static constexpr int kLoginStepTimerId = 106;     // the login answer's 200 ms and 500 ms waits
    static constexpr int kPostedEventTimerId = 107;   // 0 ms: reports to the view, posted
    static constexpr int kImageWatchdogMs = 5000;
    static constexpr int kStopRetryMs = 300;
    static constexpr int kReconnectMs = 5000;
    static constexpr int kStatusPollMs = 30000;
    static constexpr int kLoginKeyWaitMs = 200;
    static constexpr int kLoginStatusWaitMs = 500;

    static constexpr size_t kReceiveBytes = 9129;  // one read at most
    static constexpr size_t kSendBytes = 1024;     // so a PTZ payload holds at most 964 bytes
    static constexpr size_t kMaxPtzPayload = kSendBytes - wire::kMinPacketBytes;
    static constexpr uint16_t kLoginKeyCode = 0x201;
    static constexpr uint8_t kPlayImageLimit = 20; // counted play images before a reconnection
    static constexpr const char* kAlarmEventFile = "AlarmEvent.am";
    static constexpr const char* kPtzReplyText = "Direct Pantilt Camera Control";

    // Status codes passed to LinkView::DrawConnectStatus.
    static constexpr uint8_t STATUS_ESTABLISHED = 1;
    static constexpr uint8_t STATUS_CONNECTING = 2;
    static constexpr uint8_t STATUS_TRY_RECONNECT = 4;
    static constexpr uint8_t STATUS_CONNECT_FAIL = 5;
    static constexpr uint8_t STATUS_TRY_REQUEST_IMAGE = 6;
    static constexpr uint8_t STATUS_CHANNEL_ALARM = 7;

    // Replaces the picture path (decode, check, holders) when set: called with the single-read
    // flag when a picture payload is complete; the payload is ImagePayload(). For tests and
    // benchmarks that stub the decoder.
    using ImageCompletion = std::function<void(bool bSingleRead)>;

    struct Services {
        TimerService* pTimers = nullptr; // set by the owner before the first command
        SocketFactory& rSockets;
        FileStore& rFiles;
        Notifier& rNotifier;
    };

    CDvrLink(Services services, LinkView* pView);
    ~CDvrLink() override;
    CDvrLink(const CDvrLink&) = delete;
    CDvrLink& operator=(const CDvrLink&) = delete;

    void SetTimerService(TimerService& rTimers) { m_pTimers = &rTimers; }
    void RegisterArchive(LinkArchive* pArchive) { m_pArchive = pArchive; }
    void SetImageCompletion(ImageCompletion completion) { m_imageCompletion = std::move(completion); }

    // Commands.
    // False when a socket already exists or the connect cannot start; true when under way.
    bool Connect(const std::string& strHost, uint16_t wPort);
    // Closes the socket; with bRelease also frees the buffers and ends any reconnection.
    bool Disconnect(bool bRelease);
    void SetImageWatchdog(bool bArm);
    void StartReconnect(bool bStart);

    // Request builder. Each does nothing while there is no socket or no buffers.
    void SendRequest(uint8_t byKind, bool bArm);
    void SendKeyEmul(uint16_t wKeyCode);
    void SendDvrStatus2();
    // False (nothing sent) when the payload does not fit the send buffer.
    bool SendPtzData(const uint8_t* pData, size_t nBytes);
    // Raw bytes; nBytes 0 means up to the first NUL byte.
    void SendPacket(const uint8_t* pData, size_t nBytes);

    // Events.
    void OnSocketConnected(bool bOk) override;
    void OnSocketReadable() override;
    void OnTimer(int nId) override;

    // Play start and control words, stored by the archive dialog before a play request.
    uint32_t m_dwPlayDate = 0;
    uint32_t m_dwPlayTime = 0;
    uint32_t m_dwPlayCtrl = 0;

    // What the view, the archive dialog and the tests read.
    bool HasSocket() const { return m_pSocket != nullptr; }
    bool HasBuffers() const { return !m_sendBuf.empty(); }
    uint8_t State() const { return m_byState; }
    uint8_t PreviousState() const { return m_byPrevState; }
    uint8_t ProtocolVersion() const { return m_byProtocolVersion; }
    const wire::Magic& EchoedMagic() const { return m_echoedMagic; }
    bool HeaderChannelMode() const { return m_bHeaderChannelMode; }
    uint8_t MissCount() const { return m_byMissCount; }
    uint8_t ReconnectAttempts() const { return m_byReconnectAttempts; }
    bool StopPending() const { return m_bStopPending; }
    uint16_t PlayImageCounter() const { return m_wPlayImageCounter; }
    uint32_t AlarmEventWord() const { return m_dwAlarmEvent; }
    uint32_t RecordPosition() const { return m_dwRecordPos; }
    uint8_t CurrentChannel() const { return m_nCurrentChannel; }
    uint8_t DecodeChannel() const { return m_pictures.DecodeChannel(); } // m_nDecodeChannel
    PictureCompletion& Pictures() { return m_pictures; }
    uint16_t KeyCode() const { return m_wKeyCode; }
    size_t ExpectedSize() const { return m_nExpected; }
    size_t CollectedSize() const { return m_nCollected; }
    size_t ImageBufferCapacity() const { return m_imageBuf.size(); }
    const uint8_t* ImagePayload() const { return m_imageBuf.data(); }
    // Header of the packet whose payload is being collected.
    const wire::PacketHeader& ImageHeader() const { return m_imageHeader; }
    LinkView* View() const { return m_pView; }
    LinkArchive* Archive() const { return m_pArchive; }
    bool ArchiveActive() const { return m_pArchive && m_pArchive->IsArchiveActive(); }

    // Empties the reassembly: nothing expected, nothing collected.
    void ResetReassembly();

private:
    void AllocateBuffers();
    void FreeBuffers();
    void StartTimer(int nId, int nPeriodMs);
    void StopTimer(int nId);
    bool TimerRunning(int nId) const;
    void ShowStatus(uint8_t byCode);
    void PostLinkLost(LinkLoss reason);
    // A request's header: the echoed magic and a total length of 60 + the payload.
    wire::PacketHeader RequestHeader(uint32_t dwDataType, uint32_t dwPacketType, size_t nPayloadBytes = 0) const;
    void SendBuilt(const wire::PacketHeader& header, const uint8_t* pBlock, size_t nBlockBytes,
                   const uint8_t* pPayload, size_t nPayloadBytes);

    void OnLoginReply(const wire::PacketHeader& header, const wire::ParamBlock& p);
    void RunLoginStep();
    void OnImageWatchdogExpired();
    void OnReconnectTimerExpired();
    void OnStopRetryExpired();

    void ReadContinuation();
    void Dispatch(uint8_t* pBytes, size_t nBytes, size_t nReadStart);
    size_t DispatchPacket(const uint8_t* pPacket, size_t nAvailable, bool bHeaderInThisRead,
                          bool& bToggle);
    void StartCollecting(const wire::PacketHeader& header, const uint8_t* pPayload,
                         size_t nAvailable, bool bHeaderInThisRead);
    void TakeContinuation(const uint8_t* pBytes, size_t nBytes, bool& bToggle);
    void CompleteCollection(bool bSingleRead);
    void CompleteEventLog();
    void ToggleActivity();

    TimerService* m_pTimers;
    SocketFactory& m_rSockets;
    FileStore& m_rFiles;
    Notifier& m_rNotifier;
    LinkView* m_pView;                  // the main view; null only in tests
    LinkArchive* m_pArchive = nullptr;  // registered by the archive dialog
    ImageCompletion m_imageCompletion;
    PictureCompletion m_pictures; // the live and play decoders and the 16 holders

    std::unique_ptr<StreamSocket> m_pSocket;

    uint8_t m_byState = wire::REQ_LOGIN;     // last state-changing request kind
    uint8_t m_byPrevState = wire::REQ_LIVE;  // restored after an event log
    uint8_t m_byProtocolVersion = 2;         // 1, 2 or 3, from the login reply's magic
    wire::Magic m_echoedMagic = wire::MakeMagic(wire::kMagicV10);
    bool m_bHeaderChannelMode = false;       // trust the header's channel, not the picture's
    uint8_t m_byMissCount = 0;               // image watchdog expiries since the last reset
    uint8_t m_byReconnectAttempts = 0;       // attempts made by the current reconnection
    bool m_bStopPending = false;             // a confirmed stop awaits its reply
    uint16_t m_wPlayImageCounter = 0;        // high byte 1 = armed, low byte = count
    uint32_t m_dwAlarmEvent = 0;             // channel 0-7, motion 8-15, loss 16-23, alarm 24-31
    uint16_t m_wKeyCode = 0;                 // argument of the key emulation request
    uint32_t m_dwRecordPos = 0;              // P4 of the last live image, 1/10000 %
    uint8_t m_nCurrentChannel = 0;           // channel named by the last image header

    // The login answer's deferred steps: 0 = none pending.
    enum class LoginStep : uint8_t { None, AfterKeyEmul, AfterStatus };
    LoginStep m_loginStep = LoginStep::None;
    bool m_bLossPosted = false;
    LinkLoss m_postedLoss = LinkLoss::ConnectFailed;

    // Buffers, allocated when the connection stands.
    std::vector<uint8_t> m_receiveBuf; // a read, after any header bytes carried from the last
    std::vector<uint8_t> m_imageBuf;   // image buffer A: payload being collected
    std::vector<uint8_t> m_sendBuf;    // SendDataBuf

    // Stream framing across reads.
    size_t m_nCarry = 0;             // bytes of an unfinished header kept at m_receiveBuf[0]
    size_t m_nPacketRemaining = 0;   // payload bytes of the current packet still to come
    bool m_bCollecting = false;      // those bytes go to image buffer A

    // Reassembly.
    wire::PacketHeader m_imageHeader;
    size_t m_nExpected = 0;  // payload bytes announced
    size_t m_nCollected = 0; // payload bytes in image buffer A
};

} // namespace ostrel
