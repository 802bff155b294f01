#include "platform/host_name.h"

#include <arpa/inet.h>

#include <algorithm>
#include <string>

namespace ostrel {

namespace {

bool IsLabelChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-';
}

bool IsHostName(std::string_view strName)
{
    if (!strName.empty() && strName.back() == '.')
        strName.remove_suffix(1); // the root's dot
    if (strName.empty())
        return false;
    std::string_view strLast;
    for (size_t nStart = 0; nStart <= strName.size();) {
        const size_t nDot = std::min(strName.find('.', nStart), strName.size());
        const std::string_view label = strName.substr(nStart, nDot - nStart);
        if (label.empty() || label.size() > 63 || label.front() == '-' || label.back() == '-'
            || !std::all_of(label.begin(), label.end(), IsLabelChar))
            return false;
        strLast = label;
        nStart = nDot + 1;
    }
    // "10.1.2" or "300.1.2.3" would be taken for a number by some resolvers.
    return !std::all_of(strLast.begin(), strLast.end(), [](char c) { return c >= '0' && c <= '9'; });
}

} // namespace

bool IsConnectableHost(std::string_view strHost)
{
    if (strHost.empty() || strHost.size() > kMaxHostChars)
        return false;
    const std::string strText(strHost);
    in_addr v4{};
    in6_addr v6{};
    return ::inet_pton(AF_INET, strText.c_str(), &v4) == 1 || ::inet_pton(AF_INET6, strText.c_str(), &v6) == 1
        || IsHostName(strHost);
}

} // namespace ostrel
