#pragma once

// What the link benchmarks feed a CDvrLink with: a socket that serves a recorded stream round
// and round in reads of given sizes, timers that only remember whether they run, and a view
// that keeps the newest picture of each channel and counts the pictures it is asked to draw.

#include "link/dvr_link.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <vector>

namespace ostrel::bench {

class StreamingSocket final : public StreamSocket {
public:
    StreamingSocket(const std::vector<uint8_t>& stream, std::vector<size_t> readSizes)
        : m_rStream(stream), m_readSizes(std::move(readSizes)) {}

    bool Connect(const std::string&, uint16_t) override { return true; }
    void SetNoDelay() override {}
    int Send(const uint8_t*, size_t nBytes) override { return static_cast<int>(nBytes); }
    size_t UnsentBytes() const override { return 0; }
    ConnectFailure Failure() const override { return ConnectFailure::None; }
    int Receive(uint8_t* pData, size_t nMax) override
    {
        const size_t n = std::min({nMax, m_readSizes[m_nRead++ % m_readSizes.size()], m_rStream.size() - m_nPos});
        std::memcpy(pData, m_rStream.data() + m_nPos, n);
        m_nPos += n;
        if (m_nPos == m_rStream.size())
            m_nPos = 0;
        m_nBytes += n;
        return static_cast<int>(n);
    }
    void ShutdownAndClose() override {}

    size_t m_nBytes = 0; // served so far

private:
    const std::vector<uint8_t>& m_rStream;
    std::vector<size_t> m_readSizes;
    size_t m_nPos = 0;
    size_t m_nRead = 0;
};

class StreamingFactory final : public SocketFactory {
public:
    StreamingFactory(const std::vector<uint8_t>& stream, std::vector<size_t> readSizes)
        : m_rStream(stream), m_readSizes(std::move(readSizes)) {}
    std::unique_ptr<StreamSocket> Create(StreamSocketEvents&) override
    {
        auto p = std::make_unique<StreamingSocket>(m_rStream, m_readSizes);
        pSocket = p.get();
        return p;
    }
    StreamingSocket* pSocket = nullptr;

private:
    const std::vector<uint8_t>& m_rStream;
    std::vector<size_t> m_readSizes;
};

// A timer restart costs what a real one does, not a test log entry.
class FlagTimers final : public TimerService {
public:
    void Start(int nId, int) override { m_running[Slot(nId)] = true; }
    void Stop(int nId) override { m_running[Slot(nId)] = false; }
    bool IsRunning(int nId) const override { return m_running[Slot(nId)]; }

private:
    static size_t Slot(int nId) { return static_cast<size_t>(nId) % 16; }
    bool m_running[16] = {};
};

class FlagTimerFactory final : public TimerFactory {
public:
    std::unique_ptr<TimerService> Create(TimerTarget&) override { return std::make_unique<FlagTimers>(); }
};

class QuietView final : public LinkView {
public:
    uint16_t SingleChannel() const override { return 256; }
    uint32_t LiveChannelMask() const override { return 0xFFFF; }
    std::string HostAddress() const override { return "127.0.0.1"; }
    uint16_t HostPort() const override { return 8000; }
    std::string UserId() const override { return "admin"; }
    std::string Password() const override { return "1"; }
    uint8_t ReconnectCount() const override { return 3; }
    bool AlertModeOn() const override { return false; }
    void SetConnectState(ConnectState) override {}
    void SetChannelCount(uint8_t) override {}
    void OnLinkStatus(const LinkStatus&) override {}
    void DrawPositions(uint32_t dwRecordPos, uint32_t) override { m_dwLastPos = dwRecordPos; }
    void ToggleActivityLamp() override { m_bLamp = !m_bLamp; }
    void OnLinkLost(LinkLoss) override {}
    // Holds each channel's newest picture, as a window does, so the pool recycles for real.
    void OnPicture(uint8_t byChannel, const Picture& picture) override
    {
        m_slots[byChannel % kChannelCount] = picture;
        ++m_nDrawn;
    }

    uint32_t m_dwLastPos = 0;
    bool m_bLamp = false;
    uint64_t m_nDrawn = 0; // pictures accepted and handed over
    Picture m_slots[kChannelCount];
};

} // namespace ostrel::bench
