// The settings page's rules without widgets: which typed addresses can stand, which ports are
// ports, and the command file of each camera type (the page's and the PTZ panel's agree).
#include "config/config_fields.h"
#include "ptz/ptz_command.h"

#include <gtest/gtest.h>

using namespace ostrel;

TEST(ConfigFields, AddressesPortsAndCommandFiles)
{
    using enum AddressText;
    const std::pair<std::string, AddressText> addresses[] = {
        {"192.168.1.100", Acceptable}, {"0.0.0.0", Acceptable}, {"255.255.255.255", Acceptable},
        {"dvr.example.com", Acceptable}, {"shop-2.dyndns.example", Acceptable}, {"recorder", Acceptable},
        {"::1", Acceptable}, {"fe80::1:2", Acceptable}, {"dvr.example.com.", Acceptable}, // the root's dot
        {"", Intermediate}, {"192.168.1.", Intermediate}, {"0.0.0", Intermediate}, {"1234", Intermediate},
        {"256.1.1.1", Intermediate}, {"01.2.3.4", Intermediate}, {"1..2", Intermediate}, {"-dvr", Intermediate},
        {"dvr-", Intermediate}, {"fe80:::1", Intermediate}, {std::string(64, 'a') + ".com", Intermediate},
        {std::string(127, 'a'), Intermediate}, // a label of 63 at most
        {"dvr_1", Invalid}, {"dvr 1", Invalid}, {"[::1]", Invalid}, {"dvr/1", Invalid}, {"d\xC3\xA9", Invalid},
        {std::string(128, 'a'), Invalid},
    };
    for (const auto& [strText, kind] : addresses)
        EXPECT_EQ(kind, ClassifyAddressText(strText)) << '"' << strText << '"';
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
