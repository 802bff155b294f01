#include "link/wire_format.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace ostrel::wire {

Magic MakeMagic(std::string_view sv)
{
    Magic magic{};
    const size_t n = std::min(sv.size(), kMagicBytes - 1);
    std::copy_n(sv.begin(), n, magic.begin());
    return magic;
}

void EncodeHeader(const PacketHeader& header, uint8_t* pOut)
{
    std::copy(header.magic.begin(), header.magic.end(), pOut);
    PutLe32(pOut + 16, header.dwTotalLength);
    PutLe32(pOut + 20, header.dwPacketType);
    PutLe32(pOut + 24, header.dwDataType);
}

PacketHeader DecodeHeader(const uint8_t* pIn)
{
    PacketHeader header;
    std::copy_n(pIn, kMagicBytes, header.magic.begin());
    header.dwTotalLength = GetLe32(pIn + 16);
    header.dwPacketType = GetLe32(pIn + 20);
    header.dwDataType = GetLe32(pIn + 24);
    return header;
}

void EncodeParams(const ParamBlock& params, uint8_t* pOut)
{
    for (size_t i = 0; i < params.size(); ++i)
        PutLe32(pOut + 4 * i, params[i]);
}

ParamBlock DecodeParams(const uint8_t* pIn)
{
    ParamBlock params{};
    for (size_t i = 0; i < params.size(); ++i)
        params[i] = GetLe32(pIn + 4 * i);
    return params;
}

void EncodeLoginBlock(std::string_view user, std::string_view password, uint8_t* pOut)
{
    std::memset(pOut, 0, kLoginBlockBytes);
    const auto put = [](std::string_view text, uint8_t* pField, size_t nField) {
        const size_t n = std::min({text.size(), nField - 1, text.find('\0')});
        std::copy_n(text.begin(), n, pField);
    };
    put(user, pOut, kLoginUserBytes);
    put(password, pOut + kLoginUserBytes, kLoginPasswordBytes);
}

bool HasPacketMagic(const uint8_t* p, size_t nBytes)
{
    const size_t nScan = std::min(nBytes, kHeaderBytes);
    const uint8_t* pEnd = std::find(p, p + nScan, uint8_t{0});
    const std::string_view text(reinterpret_cast<const char*>(p), static_cast<size_t>(pEnd - p));
    return text.find(kMagicText) != std::string_view::npos;
}

size_t FindPacketMagic(const uint8_t* p, size_t nBytes)
{
    const std::string_view text(reinterpret_cast<const char*>(p), nBytes);
    const size_t nPos = text.find(kMagicText);
    return nPos == std::string_view::npos ? nBytes : nPos;
}

size_t MagicPrefixTail(const uint8_t* p, size_t nBytes)
{
    for (size_t n = std::min(nBytes, kMagicText.size() - 1); n > 0; --n) {
        if (std::memcmp(p + nBytes - n, kMagicText.data(), n) == 0)
            return n;
    }
    return 0;
}

uint8_t ProtocolVersionFromMagic(const Magic& magic)
{
    const auto* pEnd = std::find(magic.begin(), magic.end(), uint8_t{0});
    const std::string_view text(reinterpret_cast<const char*>(magic.data()),
                                static_cast<size_t>(pEnd - magic.begin()));
    if (text == kMagicV10)
        return 1;
    if (text == kMagicV12)
        return 2;
    return 3;
}

DateTimeFields SplitDateTimeWords(uint32_t dwDate, uint32_t dwTime)
{
    DateTimeFields t;
    t.nYear = static_cast<int>(dwDate >> 16);
    t.nMonth = static_cast<int>((dwDate >> 8) & 0xFF);
    t.nDay = static_cast<int>(dwDate & 0xFF);
    t.nHour = static_cast<int>(dwTime >> 24);
    t.nMinute = static_cast<int>((dwTime >> 16) & 0xFF);
    t.nSecond = static_cast<int>((dwTime >> 8) & 0xFF);
    return t;
}

uint32_t MakeSecondsValue(const DateTimeFields& t)
{
    std::tm tmLocal{};
    tmLocal.tm_year = t.nYear - 1900;
    tmLocal.tm_mon = t.nMonth - 1;
    tmLocal.tm_mday = t.nDay;
    tmLocal.tm_hour = t.nHour;
    tmLocal.tm_min = t.nMinute;
    tmLocal.tm_sec = t.nSecond;
    tmLocal.tm_isdst = -1;
    const std::time_t seconds = std::mktime(&tmLocal);
    return seconds < 0 ? 0u : static_cast<uint32_t>(seconds);
}

DateTimeFields SplitSecondsValue(uint32_t dwSeconds)
{
    return LocalDateTimeOf(dwSeconds);
}

uint32_t MakeTimeCost(int nYear, int nMonth, int nDay, int nHour, int nMinute, int nSecond)
{
    // The year offset is shifted without masking, as stored logs were written that way.
    const uint32_t dwYear = static_cast<uint32_t>(nYear >= 1996 ? nYear - 1996 : nYear);
    return dwYear << 26 | (static_cast<uint32_t>(nMonth) & 0x0F) << 22
        | (static_cast<uint32_t>(nDay) & 0x1F) << 17 | (static_cast<uint32_t>(nHour) & 0x1F) << 12
        | (static_cast<uint32_t>(nMinute) & 0x3F) << 6 | (static_cast<uint32_t>(nSecond) & 0x3F);
}

DateTimeFields SplitTimeCost(uint32_t dwPacked)
{
    DateTimeFields t;
    t.nYear = static_cast<int>(dwPacked >> 26) + 1996;
    t.nMonth = static_cast<int>((dwPacked >> 22) & 0x0F);
    t.nDay = static_cast<int>((dwPacked >> 17) & 0x1F);
    t.nHour = static_cast<int>((dwPacked >> 12) & 0x1F);
    t.nMinute = static_cast<int>((dwPacked >> 6) & 0x3F);
    t.nSecond = static_cast<int>(dwPacked & 0x3F);
    return t;
}

std::string FormatPosition(uint32_t dwPosition)
{
    char text[32];
    std::snprintf(text, sizeof text, "%03u.%.4u%%", dwPosition / 10000u, dwPosition % 10000u);
    return text;
}

} // namespace ostrel::wire
