// The settings page's rules without widgets: which typed addresses can stand, which ports are
// ports, and the PTZ command file of each camera type.
#include "config/config_fields.h"

#include <gtest/gtest.h>

using namespace ostrel;

TEST(Ipv4Text, WholeAddressesBeginningsOfOneAndWhatNoTypingCanMakeOne)
{
    const std::pair<const char*, Ipv4Text> rows[] = {
        {"192.168.1.100", Ipv4Text::Acceptable}, {"0.0.0.0", Ipv4Text::Acceptable},
        {"255.255.255.255", Ipv4Text::Acceptable}, {"10.0.200.9", Ipv4Text::Acceptable},
        {"", Ipv4Text::Intermediate}, {"19", Ipv4Text::Intermediate}, {"192.", Ipv4Text::Intermediate},
        {"192.168", Ipv4Text::Intermediate}, {"192.168.1.", Ipv4Text::Intermediate}, {"0.0.0", Ipv4Text::Intermediate},
        {"256.1.1.1", Ipv4Text::Invalid}, {"1.2.3.1000", Ipv4Text::Invalid}, {"1..2", Ipv4Text::Invalid},
        {".1", Ipv4Text::Invalid}, {"1.2.3.4.", Ipv4Text::Invalid}, {"1.2.3.4.5", Ipv4Text::Invalid},
        {"01.2.3.4", Ipv4Text::Invalid}, {"1.2.3.00", Ipv4Text::Invalid}, {"a.b.c.d", Ipv4Text::Invalid},
        {"1 .2.3.4", Ipv4Text::Invalid}, {"-1.2.3.4", Ipv4Text::Invalid}, {"1.2.3.4 ", Ipv4Text::Invalid},
        {"1234", Ipv4Text::Invalid}, {"192,168", Ipv4Text::Invalid},
    };
    for (const auto& [pszText, kind] : rows)
        EXPECT_EQ(kind, ClassifyIpv4Text(pszText)) << '"' << pszText << '"';
    EXPECT_FALSE(IsDottedIpv4("1.2.3"));
    EXPECT_TRUE(IsDottedIpv4("1.2.3.4"));
}

TEST(Port, OnlyOneTo65535InDecimal)
{
    const std::pair<const char*, int> ports[] = {{"1", 1}, {"8000", 8000}, {" 8000\t", 8000}, {"65535", 65535}, {"0080", 80}};
    for (const auto& [pszText, nPort] : ports)
        EXPECT_EQ(nPort, ParsePort(pszText)) << '"' << pszText << '"';
    for (const char* p : {"0", "65536", "", "  ", "80a", "-1", "+80", "8 0", "99999999999999999999999"})
        EXPECT_FALSE(ParsePort(p)) << '"' << p << '"';
}

TEST(PtzFilePath, EachCameraTypeHasItsFileAndNoOtherTypeHasOne)
{
    const char* names[] = {"pelcoD", "pelcoP", "scc641", "hmc250", "hid2404", "dsc_230s"};
    for (int n = 0; n < 6; ++n)
        EXPECT_EQ(std::string("/w/PTZ/") + names[n] + ".tl", PtzFilePath("/w", n));
    for (int n : {6, 255, -1})
        EXPECT_EQ("", PtzFilePath("/w", n)) << n;
}
