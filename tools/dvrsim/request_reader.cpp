#include "request_reader.h"

#include <algorithm>

namespace ostrel::dvrsim {

namespace {

std::string FieldText(const uint8_t* p, size_t nField)
{
    const uint8_t* pEnd = std::find(p, p + nField, uint8_t{0});
    return std::string(reinterpret_cast<const char*>(p), static_cast<size_t>(pEnd - p));
}

} // namespace

std::vector<int> LiveChannels(const wire::ParamBlock& params, int nChannels)
{
    std::vector<int> channels;
    for (int i = 0; i < std::min(nChannels, 16); ++i)
        if ((params[2] >> i) & 1u)
            channels.push_back(i);
    return channels;
}

void CRequestReader::Feed(const uint8_t* pData, size_t nBytes)
{
    if (pData == nullptr)
        return;
    // Take the bytes in slices so the buffer never holds much more than one request.
    while (nBytes > 0) {
        const size_t nTake = std::min(nBytes, kMaxRequestBytes);
        m_buffer.insert(m_buffer.end(), pData, pData + nTake);
        pData += nTake;
        nBytes -= nTake;
        if (m_buffer.size() > 2 * kMaxRequestBytes) {
            // Nothing well-formed in front: keep only what could still begin a header.
            const size_t nMagic = wire::FindPacketMagic(m_buffer.data(), m_buffer.size());
            if (nMagic > 0)
                Skip(nMagic == m_buffer.size()
                         ? m_buffer.size() - wire::MagicPrefixTail(m_buffer.data(), m_buffer.size())
                         : nMagic);
            if (m_buffer.size() > 2 * kMaxRequestBytes)
                Skip(m_buffer.size() - kMaxRequestBytes);
        }
    }
}

void CRequestReader::Skip(size_t nBytes)
{
    nBytes = std::min(nBytes, m_buffer.size());
    m_buffer.erase(m_buffer.begin(), m_buffer.begin() + static_cast<std::ptrdiff_t>(nBytes));
    m_nSkipped += nBytes;
}

bool CRequestReader::Next(DvrRequest& request)
{
    for (;;) {
        const size_t nMagic = wire::FindPacketMagic(m_buffer.data(), m_buffer.size());
        if (nMagic == m_buffer.size()) {
            Skip(m_buffer.size() - wire::MagicPrefixTail(m_buffer.data(), m_buffer.size()));
            return false;
        }
        Skip(nMagic);
        if (m_buffer.size() < wire::kHeaderBytes)
            return false;

        const wire::PacketHeader header = wire::DecodeHeader(m_buffer.data());
        const uint32_t nTotal = header.dwTotalLength;
        const bool bLogin = header.dwPacketType == wire::PACKET_LOGIN;
        const bool bLengthOk = bLogin ? nTotal == wire::kLoginPacketBytes
                                      : nTotal >= wire::kMinPacketBytes && nTotal <= kMaxRequestBytes;
        const bool bTypeOk = header.dwPacketType >= wire::PACKET_PARAMS && header.dwPacketType <= wire::PACKET_PAYLOAD;
        if (!bLengthOk || !bTypeOk) {
            Skip(1); // look for the next magic after this one
            continue;
        }
        if (m_buffer.size() < nTotal)
            return false;

        request = DvrRequest{};
        request.header = header;
        const uint8_t* pBody = m_buffer.data() + wire::kHeaderBytes;
        if (bLogin) {
            request.strUser = FieldText(pBody, wire::kLoginUserBytes);
            request.strPassword = FieldText(pBody + wire::kLoginUserBytes, wire::kLoginPasswordBytes);
        } else {
            request.params = wire::DecodeParams(pBody);
            request.payload.assign(m_buffer.begin() + wire::kMinPacketBytes, m_buffer.begin() + nTotal);
        }
        m_buffer.erase(m_buffer.begin(), m_buffer.begin() + nTotal);
        return true;
    }
}

} // namespace ostrel::dvrsim
