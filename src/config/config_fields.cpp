#include "config/config_fields.h"

#include "platform/host_name.h"

#include <cstddef>

namespace ostrel {

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

} // namespace

AddressText ClassifyAddressText(std::string_view strText)
{
    if (strText.size() > kMaxHostChars)
        return AddressText::Invalid;
    for (const char c : strText)
        if (!IsDigit(c) && !(c >= 'a' && c <= 'z') && !(c >= 'A' && c <= 'Z') && c != '.' && c != '-' && c != ':')
            return AddressText::Invalid;
    return IsConnectableHost(strText) ? AddressText::Acceptable : AddressText::Intermediate;
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
