#include "app/platform_rules.h"

#include <gtest/gtest.h>

using rs::ClassifyPlatform;
using rs::VersionFacts;

namespace {
VersionFacts Nt(unsigned major, unsigned minor, unsigned product = 1, unsigned arch = 0) {
    VersionFacts f;
    f.platformId = 2;
    f.major = major;
    f.minor = minor;
    f.productType = static_cast<std::uint16_t>(product);
    f.architecture = static_cast<std::uint16_t>(arch);
    return f;
}
VersionFacts Nine(unsigned minor) {
    VersionFacts f;
    f.platformId = 1;
    f.major = 4;
    f.minor = minor;
    return f;
}
}  // namespace

TEST(PlatformClassification, WindowsNineFamily) {
    EXPECT_EQ(ClassifyPlatform(Nine(0)), 1);
    EXPECT_EQ(ClassifyPlatform(Nine(10)), 2);
    EXPECT_EQ(ClassifyPlatform(Nine(90)), 3);
    EXPECT_EQ(ClassifyPlatform(Nine(3)), 12);
    VersionFacts five = Nine(0);
    five.major = 5;
    EXPECT_EQ(ClassifyPlatform(five), 12);
}

TEST(PlatformClassification, OlderNtAndTwoThousand) {
    EXPECT_EQ(ClassifyPlatform(Nt(3, 51)), 4);
    EXPECT_EQ(ClassifyPlatform(Nt(4, 0)), 4);
    EXPECT_EQ(ClassifyPlatform(Nt(4, 0, 3, 9)), 4);
    EXPECT_EQ(ClassifyPlatform(Nt(5, 0, 0, 0)), 5);
}

TEST(PlatformClassification, XpByProcessorAndProductType) {
    EXPECT_EQ(ClassifyPlatform(Nt(5, 1, 1, 0)), 6);
    EXPECT_EQ(ClassifyPlatform(Nt(5, 1, 1, 9)), 7);
    EXPECT_EQ(ClassifyPlatform(Nt(5, 1, 1, 6)), 7);
    EXPECT_EQ(ClassifyPlatform(Nt(5, 1, 1, 5)), 12);  // ARM: no rule
    EXPECT_EQ(ClassifyPlatform(Nt(5, 1, 0, 0)), 12);  // only the short query worked
    EXPECT_EQ(ClassifyPlatform(Nt(5, 1, 3, 0)), 12);  // server
}

TEST(PlatformClassification, FiveTwoAndLaterFiveX) {
    EXPECT_EQ(ClassifyPlatform(Nt(5, 2, 1, 9)), 8);  // XP Professional x64
    EXPECT_EQ(ClassifyPlatform(Nt(5, 2, 3, 0)), 8);  // Server 2003
    EXPECT_EQ(ClassifyPlatform(Nt(5, 7, 0, 0)), 8);
}

TEST(PlatformClassification, VistaAndLater) {
    EXPECT_EQ(ClassifyPlatform(Nt(6, 0, 1, 0)), 9);
    EXPECT_EQ(ClassifyPlatform(Nt(6, 0, 1, 9)), 10);
    EXPECT_EQ(ClassifyPlatform(Nt(6, 0, 1, 6)), 10);
    EXPECT_EQ(ClassifyPlatform(Nt(6, 0, 3, 9)), 12);  // Server 2008
    EXPECT_EQ(ClassifyPlatform(Nt(6, 1, 1, 0)), 11);  // Windows 7, 8, 8.1 whatever the product type
    EXPECT_EQ(ClassifyPlatform(Nt(6, 1, 3, 9)), 11);
    EXPECT_EQ(ClassifyPlatform(Nt(6, 2, 0, 9)), 11);
    EXPECT_EQ(ClassifyPlatform(Nt(6, 3, 1, 0)), 11);
    EXPECT_EQ(ClassifyPlatform(Nt(6, 4, 1, 9)), 12);
    EXPECT_EQ(ClassifyPlatform(Nt(10, 0, 1, 9)), 11);
    EXPECT_EQ(ClassifyPlatform(Nt(7, 0, 3, 0)), 11);
}

TEST(PlatformClassification, OtherPlatformIds) {
    VersionFacts f = Nt(5, 1);
    f.platformId = 0;  // Win32s
    EXPECT_EQ(ClassifyPlatform(f), 12);
    f.platformId = 3;
    EXPECT_EQ(ClassifyPlatform(f), 12);
}

// The log names the platform: every code its own name, anything else "not supported".
TEST(PlatformClassification, NamesInTheLog) {
    const std::pair<int, const char*> names[] = {{1, "Windows 95"}, {7, "Windows XP 64-bit"},
        {8, "Windows 5.2 (Server 2003, XP x64)"}, {11, "Windows later than Vista"}, {0, "Windows not supported"},
        {12, "Windows not supported"}};
    for (const auto& [code, name] : names) EXPECT_STREQ(rs::PlatformName(code), name) << code;
}
