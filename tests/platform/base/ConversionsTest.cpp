#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "LogCapture.h"
#include "base/Conversions.h"

TEST(Conversions, ConvertEndianSwapsEach16BitWordAndLeavesAnOddTail) {
    std::vector<uint8_t> even = {0x01, 0x02, 0x03, 0x04};
    quillex::convertEndian(even);
    EXPECT_EQ(even, (std::vector<uint8_t>{0x02, 0x01, 0x04, 0x03}));
    std::vector<uint8_t> odd = {0xA1, 0xB2, 0xC3};
    quillex::convertEndian(odd);
    EXPECT_EQ(odd, (std::vector<uint8_t>{0xB2, 0xA1, 0xC3}));
    std::vector<uint8_t> one = {0x7F};
    quillex::convertEndian(one);
    EXPECT_EQ(one, (std::vector<uint8_t>{0x7F}));
    std::vector<uint8_t> none;
    quillex::convertEndian(none);
    EXPECT_TRUE(none.empty());
    // Twice is the identity.
    std::vector<uint8_t> bytes(1001);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 37);
    const auto original = bytes;
    quillex::convertEndian(bytes);
    EXPECT_NE(bytes, original);
    quillex::convertEndian(bytes);
    EXPECT_EQ(bytes, original);
}

TEST(Conversions, StringToIpGivesHostOrderNumbers) {
    EXPECT_EQ(quillex::stringToIP("1.2.3.4"), 0x01020304u);
    EXPECT_EQ(quillex::stringToIP("192.168.1.100"), 0xC0A80164u);
    EXPECT_EQ(quillex::stringToIP("255.255.255.0"), 0xFFFFFF00u);
    EXPECT_EQ(quillex::stringToIP("0.0.0.0"), 0u);
    EXPECT_EQ(quillex::stringToIP("010.001.0.7"), 0x0A010007u);
    // Masking works on the numbers as the network-segment check expects.
    EXPECT_EQ(quillex::stringToIP("192.168.1.7") & quillex::stringToIP("255.255.255.0"),
              quillex::stringToIP("192.168.1.200") & quillex::stringToIP("255.255.255.0"));
}

TEST(Conversions, MalformedIpTextGivesZeroAndALevel3Line) {
    const std::string bad[] = {"1.2.3",     "300.1.1.1", "",         "a.b.c.d",  "1.2.3.4.5", " 1.2.3.4",
                               "1.2.3.4 ",  "1..2.3",    "1.2.3.",   ".1.2.3",   "1.2.3.256", "1.2.3.-4",
                               "1.2.3.0004", "1,2,3,4",  "+1.2.3.4", "4294967297.0.0.1",
                               std::string("1.2.3.4\0", 8)};
    for (const std::string& text : bad) {
        quillex::test::LogCapture log;
        EXPECT_EQ(quillex::stringToIP(text), 0u) << text;
        EXPECT_EQ(log.count(3), 1u) << text;
    }
}

TEST(Conversions, Local8bitToUtf8KeepsValidTextAndReplacesBrokenBytes) {
    const std::string valid = "plain ascii, \xE4\xB8\xAD\xE6\x96\x87 (CJK), \xF0\x9F\x98\x80 emoji";
    EXPECT_EQ(quillex::local8bitToUtf8(valid), valid);
    EXPECT_EQ(quillex::local8bitToUtf8(""), "");
    const std::string replacement = "\xEF\xBF\xBD";
    EXPECT_EQ(quillex::local8bitToUtf8("a\xFF" "b"), "a" + replacement + "b");
    EXPECT_EQ(quillex::local8bitToUtf8("\xC0\xAF"), replacement + replacement);  // overlong '/'
    EXPECT_EQ(quillex::local8bitToUtf8("\xED\xA0\x80"), replacement + replacement + replacement);  // surrogate
    EXPECT_EQ(quillex::local8bitToUtf8("x\xE4\xB8"), "x" + replacement + replacement);  // cut at the end
    EXPECT_EQ(quillex::local8bitToUtf8("\xF4\x90\x80\x80"), replacement + replacement + replacement + replacement);  // above U+10FFFF
    EXPECT_EQ(quillex::local8bitToUtf8(std::string("a\0b", 3)), std::string("a\0b", 3));
}
