#pragma once

#include "platform/clock.h"
#include "platform/stream_socket.h"

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace ostrel::test {

class FakeSocketFactory;

// A socket whose peer is the test. Each Deliver() is one or more receive calls: a receive
// returns at most one delivered chunk (and at most the reader's limit), so chunk boundaries
// are read boundaries. Every Send() is kept whole.
class FakeSocket final : public StreamSocket {
public:
    FakeSocket(FakeSocketFactory& rFactory, StreamSocketEvents& rEvents);
    ~FakeSocket() override;

    bool Connect(const std::string& strHost, uint16_t wPort) override;
    ConnectFailure Failure() const override { return failure; }
    void SetNoDelay() override { m_bNoDelay = true; }
    int Send(const uint8_t* pData, size_t nBytes) override;
    size_t UnsentBytes() const override { return m_nUnsent; }
    int Receive(uint8_t* pData, size_t nMax) override;
    size_t BytesWaiting() const override;
    void ShutdownAndClose() override { m_bClosed = true; }

    // The peer's side.
    void CompleteConnect(bool bOk, ConnectFailure why = ConnectFailure::Refused); // the connect notification
    void Deliver(const std::vector<uint8_t>& chunk); // queued, then readable notifications
    void Deliver(const std::vector<std::vector<uint8_t>>& chunks); // one chunk per receive call
    // Chunks delivered and not yet read (a reader holding back leaves them here).
    size_t Unread() const { return m_inbox.size(); }
    // The peer stops reading: what is sent from now on waits, up to kMaxUnsentBytes.
    void StopReading() { m_bPeerReading = false; }

    std::string strHost;
    uint16_t wPort = 0;
    bool m_bNoDelay = false;
    bool m_bClosed = false;
    bool m_bConnected = false;
    bool m_bConnectStarted = false;          // a Connect call returned true
    ConnectFailure failure = ConnectFailure::None;
    std::vector<std::vector<uint8_t>> sent; // one entry per Send call
    std::vector<size_t> receiveLimits;      // nMax of every Receive call

private:
    void NotifyWhileUnread();

    FakeSocketFactory& m_rFactory;
    StreamSocketEvents& m_rEvents;
    std::deque<std::vector<uint8_t>> m_inbox;
    bool m_bNotifying = false;
    bool m_bPeerReading = true;
    size_t m_nUnsent = 0;
};

class FakeSocketFactory final : public SocketFactory {
public:
    std::unique_ptr<StreamSocket> Create(StreamSocketEvents& rEvents) override;

    // The newest socket still alive, or null.
    FakeSocket* Last() const { return m_pLast; }
    int nCreated = 0;
    int nDestroyedWhileNotifying = 0; // sockets destroyed inside their own notification
    bool bConnectStarts = true;       // what Connect() returns for an address or host name
    bool bCreateFails = false;
    std::vector<std::vector<uint8_t>> allSent; // every send of every socket, in order
    std::vector<int64_t> allSentAtMs;          // when each was sent, when pClock is set
    const Clock* pClock = nullptr;

private:
    friend class FakeSocket;
    FakeSocket* m_pLast = nullptr;
};

} // namespace ostrel::test
