// The settings page's rules without widgets: which typed addresses can stand, which ports are
// ports, and the command file of each camera type (the page's and the PTZ panel's agree).
#include "config/config_fields.h"
#include "ptz/ptz_command.h"

#include <gtest/gtest.h>

using namespace ostrel;

TEST(ConfigFields, AddressesPortsAndCommandFiles)
{
    const std::pair<const char*, Ipv4Text> addresses[] = {
        {"192.168.1.100", Ipv4Text::Acceptable}, {"0.0.0.0", Ipv4Text::Acceptable}, {"255.255.255.255", Ipv4Text::Acceptable},
        {"", Ipv4Text::Intermediate}, {"19", Ipv4Text::Intermediate}, {"192.", Ipv4Text::Intermediate},
        {"192.168.1.", Ipv4Text::Intermediate}, {"0.0.0", Ipv4Text::Intermediate}, {"256.1.1.1", Ipv4Text::Invalid},
        {"1.2.3.1000", Ipv4Text::Invalid}, {"1..2", Ipv4Text::Invalid}, {".1", Ipv4Text::Invalid},
        {"1.2.3.4.", Ipv4Text::Invalid}, {"01.2.3.4", Ipv4Text::Invalid}, {"1.2.3.00", Ipv4Text::Invalid},
        {"a.b.c.d", Ipv4Text::Invalid}, {"1 .2.3.4", Ipv4Text::Invalid}, {"-1.2.3.4", Ipv4Text::Invalid},
        {"1.2.3.4 ", Ipv4Text::Invalid}, {"1234", Ipv4Text::Invalid}, {"192,168", Ipv4Text::Invalid},
    };
    for (const auto& [pszText, kind] : addresses)
        EXPECT_EQ(kind, ClassifyIpv4Text(pszText)) << '"' << pszText << '"';

    const std::pair<const char*, int> ports[] = {{"1", 1}, {" 8000\t", 8000}, {"65535", 65535}, {"0080", 80}};
    for (const auto& [pszText, nPort] : ports)
        EXPECT_EQ(nPort, ParsePort(pszText)) << '"' << pszText << '"';
    for (const char* p : {"0", "65536", "  ", "80a", "-1", "+80", "8 0", "99999999999999999999999"})
        EXPECT_FALSE(ParsePort(p)) << '"' << p << '"';

    const char* names[] = {"pelcoD", "pelcoP", "scc641", "hmc250", "hid2404", "dsc_230s", nullptr, nullptr};
    for (int n = -1; n < 8; ++n) {
        const std::string strExpected = n >= 0 && names[n] ? std::string("/w/PTZ/") + names[n] + ".tl" : "";
        EXPECT_EQ(strExpected, PtzFilePath("/w", n)) << n;
        EXPECT_EQ(strExpected, GetPtzFilePath(n, "/w")) << n;
    }
}
