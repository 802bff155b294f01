#include "config/config_fields.h"

#include <cstddef>

namespace ostrel {

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

} // namespace

Ipv4Text ClassifyIpv4Text(std::string_view strText)
{
    int nParts = 1;
    size_t nDigits = 0;
    int nValue = 0;
    bool bLeadingZero = false;
    for (const char c : strText) {
        if (c == '.') {
            if (nDigits == 0 || nParts == 4)
                return Ipv4Text::Invalid;
            ++nParts;
            nDigits = 0;
            nValue = 0;
            continue;
        }
        if (!IsDigit(c) || nDigits == 3 || bLeadingZero)
            return Ipv4Text::Invalid;
        if (nDigits == 1 && nValue == 0)
            return Ipv4Text::Invalid; // "01": a leading zero
        nValue = nValue * 10 + (c - '0');
        if (nValue > 255)
            return Ipv4Text::Invalid;
        ++nDigits;
    }
    return nParts == 4 && nDigits > 0 ? Ipv4Text::Acceptable : Ipv4Text::Intermediate;
}

std::optional<int> ParsePort(std::string_view strText)
{
    while (!strText.empty() && (strText.front() == ' ' || strText.front() == '\t'))
        strText.remove_prefix(1);
    while (!strText.empty() && (strText.back() == ' ' || strText.back() == '\t'))
        strText.remove_suffix(1);
    if (strText.empty())
        return std::nullopt;
    long nValue = 0;
    for (const char c : strText) {
        if (!IsDigit(c))
            return std::nullopt;
        nValue = nValue * 10 + (c - '0');
        if (nValue > kMaxPort)
            return std::nullopt;
    }
    if (nValue < kMinPort)
        return std::nullopt;
    return static_cast<int>(nValue);
}

std::string PtzFilePath(const std::string& strWorkDir, int nType)
{
    static constexpr std::array<const char*, 6> kFiles = {"pelcoD.tl",  "pelcoP.tl",   "scc641.tl",
                                                          "hmc250.tl",  "hid2404.tl",  "dsc_230s.tl"};
    if (nType < 0 || nType >= static_cast<int>(kFiles.size()))
        return {};
    return strWorkDir + "/PTZ/" + kFiles[static_cast<size_t>(nType)];
}

} // namespace ostrel
