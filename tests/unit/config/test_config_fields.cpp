// The settings page's rules without widgets: which typed addresses can stand, which ports are
// ports, and the command file of each camera type (the page's and the PTZ panel's agree).
#include "config/config_fields.h"
#include "ptz/ptz_command.h"

#include <gtest/gtest.h>

using namespace ostrel;

TEST(ConfigFields, AddressesPortsAndCommandFiles)
{
    using enum Ipv4Text;
    const std::pair<const char*, Ipv4Text> addresses[] = {
        {"192.168.1.100", Acceptable}, {"0.0.0.0", Acceptable}, {"255.255.255.255", Acceptable}, {"", Intermediate},
        {"19", Intermediate}, {"192.168.1.", Intermediate}, {"0.0.0", Intermediate}, {"256.1.1.1", Invalid},
        {"1.2.3.1000", Invalid}, {"1..2", Invalid}, {".1", Invalid}, {"1.2.3.4.", Invalid}, {"01.2.3.4", Invalid},
        {"1.2.3.00", Invalid}, {"1 .2.3.4", Invalid}, {"-1.2.3.4", Invalid}, {"1.2.3.4 ", Invalid}, {"1234", Invalid},
    };
    for (const auto& [pszText, kind] : addresses)
        EXPECT_EQ(kind, ClassifyIpv4Text(pszText)) << '"' << pszText << '"';
    for (const auto& [pszText, nPort] : {std::pair{"1", 1}, {" 8000\t", 8000}, {"65535", 65535}, {"0080", 80}})
        EXPECT_EQ(nPort, ParsePort(pszText)) << '"' << pszText << '"';
    for (const char* p : {"0", "65536", "  ", "80a", "-1", "+80", "8 0", "99999999999999999999999"})
        EXPECT_FALSE(ParsePort(p)) << '"' << p << '"';

    const char* names[] = {"pelcoD", "pelcoP", "scc641", "hmc250", "hid2404", "dsc_230s", nullptr};
    for (int n = -1; n < 7; ++n) {
        const std::string strExpected = n >= 0 && names[n] ? std::string("/w/PTZ/") + names[n] + ".tl" : "";
        EXPECT_EQ(strExpected, PtzFilePath("/w", n)) << n;
        EXPECT_EQ(strExpected, GetPtzFilePath(n, "/w")) << n;
    }
}
