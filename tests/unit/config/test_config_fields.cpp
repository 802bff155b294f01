// The page's rules without widgets: which typed addresses can stand, which ports are ports,
// and the PTZ command file of each camera type.
#include "config/config_fields.h"

#include <gtest/gtest.h>

using namespace ostrel;

TEST(Ipv4Text, WholeAddressesAreFourDecimalOctets)
{
    for (const char* p : {"192.168.1.100", "0.0.0.0", "255.255.255.255", "127.0.0.1", "10.0.200.9"})
        EXPECT_EQ(Ipv4Text::Acceptable, ClassifyIpv4Text(p)) << p;
}

TEST(Ipv4Text, BeginningsOfAnAddressMayStillBeTyped)
{
    for (const char* p : {"", "1", "19", "192.", "192.168", "192.168.1.", "0.0.0"})
        EXPECT_EQ(Ipv4Text::Intermediate, ClassifyIpv4Text(p)) << p;
}

TEST(Ipv4Text, WhatNoTypingCanMakeAnAddressIsRefused)
{
    for (const char* p : {"256.1.1.1", "1.2.3.1000", "1..2", ".1", "1.2.3.4.", "1.2.3.4.5", "01.2.3.4",
                          "1.2.3.00", "a.b.c.d", "1 .2.3.4", "-1.2.3.4", "1.2.3.4 ", "1234", "192,168"})
        EXPECT_EQ(Ipv4Text::Invalid, ClassifyIpv4Text(p)) << p;
    EXPECT_FALSE(IsDottedIpv4("1.2.3"));
    EXPECT_TRUE(IsDottedIpv4("1.2.3.4"));
}

TEST(Port, OnlyOneTo65535InDecimal)
{
    EXPECT_EQ(1, ParsePort("1"));
    EXPECT_EQ(8000, ParsePort("8000"));
    EXPECT_EQ(8000, ParsePort(" 8000\t"));
    EXPECT_EQ(65535, ParsePort("65535"));
    EXPECT_EQ(80, ParsePort("0080"));
    for (const char* p : {"0", "65536", "", "  ", "80a", "-1", "+80", "8 0", "99999999999999999999999"})
        EXPECT_FALSE(ParsePort(p)) << p;
}

TEST(PtzFilePath, EachCameraTypeHasItsFileAndNoOtherTypeHasOne)
{
    EXPECT_EQ("/w/PTZ/pelcoD.tl", PtzFilePath("/w", 0));
    EXPECT_EQ("/w/PTZ/pelcoP.tl", PtzFilePath("/w", 1));
    EXPECT_EQ("/w/PTZ/scc641.tl", PtzFilePath("/w", 2));
    EXPECT_EQ("/w/PTZ/hmc250.tl", PtzFilePath("/w", 3));
    EXPECT_EQ("/w/PTZ/hid2404.tl", PtzFilePath("/w", 4));
    EXPECT_EQ("/w/PTZ/dsc_230s.tl", PtzFilePath("/w", 5));
    EXPECT_EQ("", PtzFilePath("/w", 6));
    EXPECT_EQ("", PtzFilePath("/w", 255));
    EXPECT_EQ("", PtzFilePath("/w", -1));
}
