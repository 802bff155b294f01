#include "fakes/fake_socket.h"

#include "platform/host_name.h"

#include <algorithm>
#include <cstring>

#include <arpa/inet.h>

namespace ostrel::test {

FakeSocket::FakeSocket(FakeSocketFactory& rFactory, StreamSocketEvents& rEvents)
    : m_rFactory(rFactory), m_rEvents(rEvents)
{
    m_rFactory.m_pLast = this;
}

FakeSocket::~FakeSocket()
{
    if (m_bNotifying)
        ++m_rFactory.nDestroyedWhileNotifying;
    if (m_rFactory.m_pLast == this)
        m_rFactory.m_pLast = nullptr;
}

bool FakeSocket::Connect(const std::string& strHostArg, uint16_t wPortArg)
{
    strHost = strHostArg;
    wPort = wPortArg;
    // Like the real socket, only an address or a well-formed host name can start.
    if (!IsConnectableHost(strHostArg))
        return false;
    m_bConnectStarted = m_rFactory.bConnectStarts;
    return m_bConnectStarted;
}

int FakeSocket::Send(const uint8_t* pData, size_t nBytes)
{
    if (!m_bConnected || m_bClosed)
        return -1;
    if (!m_bPeerReading) {
        if (m_nUnsent + nBytes > kMaxUnsentBytes)
            return 0;
        m_nUnsent += nBytes;
    }
    sent.emplace_back(pData, pData + nBytes);
    m_rFactory.allSent.push_back(sent.back());
    m_rFactory.allSentAtMs.push_back(m_rFactory.pClock ? m_rFactory.pClock->TickMs() : 0);
    return static_cast<int>(nBytes);
}

int FakeSocket::Receive(uint8_t* pData, size_t nMax)
{
    receiveLimits.push_back(nMax);
    if (m_bClosed)
        return -1;
    if (m_inbox.empty())
        return 0;
    auto& front = m_inbox.front();
    const size_t n = std::min(nMax, front.size());
    if (n > 0)
        std::memcpy(pData, front.data(), n);
    front.erase(front.begin(), front.begin() + static_cast<std::ptrdiff_t>(n));
    if (front.empty())
        m_inbox.pop_front();
    return static_cast<int>(n);
}

size_t FakeSocket::BytesWaiting() const
{
    size_t nBytes = 0;
    for (const auto& chunk : m_inbox)
        nBytes += chunk.size();
    return nBytes;
}

void FakeSocket::CompleteConnect(bool bOk, ConnectFailure why)
{
    m_bConnected = bOk;
    failure = bOk ? ConnectFailure::None : why;
    m_rEvents.OnSocketConnected(bOk); // may destroy this socket: touch nothing after
}

void FakeSocket::Deliver(const std::vector<uint8_t>& chunk)
{
    Deliver(std::vector<std::vector<uint8_t>>{chunk});
}

void FakeSocket::Deliver(const std::vector<std::vector<uint8_t>>& chunks)
{
    for (const auto& chunk : chunks)
        m_inbox.push_back(chunk);
    NotifyWhileUnread();
}

void FakeSocket::NotifyWhileUnread()
{
    // Like a level-triggered socket: tell the reader again while bytes remain.
    FakeSocketFactory& rFactory = m_rFactory;
    for (int nGuard = 0; nGuard < 100000; ++nGuard) {
        if (m_inbox.empty() || m_bClosed)
            return;
        FakeSocket* pBefore = rFactory.m_pLast;
        const size_t nReceivesBefore = receiveLimits.size();
        m_bNotifying = true;
        m_rEvents.OnSocketReadable();
        if (rFactory.m_pLast != pBefore || pBefore != this)
            return; // destroyed or replaced inside the notification
        m_bNotifying = false;
        // A reader that holds back reads nothing; it comes for the bytes when it is ready.
        if (receiveLimits.size() == nReceivesBefore)
            return;
    }
}

std::unique_ptr<StreamSocket> FakeSocketFactory::Create(StreamSocketEvents& rEvents)
{
    if (bCreateFails)
        return nullptr;
    ++nCreated;
    return std::make_unique<FakeSocket>(*this, rEvents);
}

} // namespace ostrel::test
