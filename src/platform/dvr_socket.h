#pragma once

#include "platform/stream_socket.h"

#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

#include <functional>

namespace ostrel {

// Looks a host name up without blocking and calls fnDone on pContext's thread with its
// addresses (none when it has none), unless pContext is gone by then.
using HostLookup = std::function<void(const QString& strName, QObject* pContext,
                                      std::function<void(const QList<QHostAddress>&)> fnDone)>;
// The system's resolver, through QHostInfo's own threads.
HostLookup SystemHostLookup();

// The recorder connection's socket: a QTcpSocket on the calling thread's event loop.
// Notifications keep the contract of StreamSocket: a failed connect is reported queued, and
// readable data is reported again while some stays unread, as a level-triggered socket does.
class CDvrSocket final : public QObject, public StreamSocket {
    Q_OBJECT
public:
    explicit CDvrSocket(StreamSocketEvents& rEvents, HostLookup lookup = SystemHostLookup());
    ~CDvrSocket() override;

    bool Connect(const std::string& strHost, uint16_t wPort) override;
    ConnectFailure Failure() const override { return m_failure; }
    void SetNoDelay() override;
    int Send(const uint8_t* pData, size_t nBytes) override;
    size_t UnsentBytes() const override;
    int Receive(uint8_t* pData, size_t nMax) override;
    size_t BytesWaiting() const override;
    void ShutdownAndClose() override;

private:
    static constexpr int kReadsPerNotification = 16;
    static constexpr qint64 kReadAheadBytes = 256 * 1024;
    // Once the reader has caught up, the bytes that follow are gathered in the kernel this long
    // and read in one go: a stream of pictures then wakes the program about 1000 / kGatherMs
    // times a second rather than once or more for each picture. Half a screen refresh, so a
    // picture is late by at most that.
    static constexpr int kGatherMs = 8;

    void OnConnected();
    void OnError(QAbstractSocket::SocketError error);
    void ReportFailure(ConnectFailure why);
    void OnReadyRead();
    void RenotifyIfUnread();
    void StartGathering();
    void EndGathering();

    StreamSocketEvents& m_rEvents;
    HostLookup m_lookup;
    ConnectFailure m_failure = ConnectFailure::None;
    QPointer<QTcpSocket> m_pTcp;        // deleted later: it may be inside its own signal
    bool m_bConnectReported = false;    // the connect outcome is told once
    bool m_bRenotifyQueued = false;     // a readable notification for leftover bytes is queued
    uint64_t m_nReceives = 0;           // Receive calls so far
    QTimer m_gatherTimer;               // ends the gathering
    bool m_bGathering = false;          // new bytes wait for m_gatherTimer
};

class CDvrSocketFactory final : public SocketFactory {
public:
    explicit CDvrSocketFactory(HostLookup lookup = SystemHostLookup()) : m_lookup(std::move(lookup)) {}
    std::unique_ptr<StreamSocket> Create(StreamSocketEvents& rEvents) override;

private:
    HostLookup m_lookup;
};

} // namespace ostrel
