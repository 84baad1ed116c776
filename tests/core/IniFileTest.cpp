#include "core/ini/IniFile.h"

#include <gtest/gtest.h>

using ini::ReadValue;
using ini::WriteValue;
using namespace std::string_literals;

namespace {

TEST(IniReadTest, MatchesNamesWithoutCaseAndIgnoresWhiteSpaceAndQuotes)
{
    const std::string strFile =
        "[ setting ]\r\n  portNUMBER =  7 \t\r\nUpdateTime=\"3\"\r\nAutoConnect=\r\n";
    EXPECT_EQ(ReadValue(strFile, "Setting", "PortNumber"), "7");
    EXPECT_EQ(ReadValue(strFile, "SETTING", "updatetime"), "3");
    EXPECT_EQ(ReadValue(strFile, "Setting", "AutoConnect"), "");
}

TEST(IniReadTest, MissingSectionOrKeyGivesNothing)
{
    EXPECT_EQ(ReadValue("", "Setting", "PortNumber"), std::nullopt);
    EXPECT_EQ(ReadValue("[Other]\nPortNumber=3\n", "Setting", "PortNumber"), std::nullopt);
    EXPECT_EQ(ReadValue("[Setting]\nUpdateTime=3\n", "Setting", "PortNumber"), std::nullopt);
}

TEST(IniReadTest, LinesThatAreNotKeysOfTheSectionNeverMatch)
{
    const std::string strFile =
        "PortNumber=1\n[Setting]\n;PortNumber=2\n# PortNumber=3\n[Next]\nPortNumber=4\n";
    EXPECT_EQ(ReadValue(strFile, "Setting", "PortNumber"), std::nullopt);
}

TEST(IniReadTest, AKeyWithoutEqualsHasNoValueButHidesItsTwin)
{
    // "[Broken" is no header either, so UpdateTime is still in Setting.
    const std::string strFile = "[Setting]\n  PortNumber \r\nPortNumber=2\n[Broken\nUpdateTime=3\n";
    EXPECT_EQ(ReadValue(strFile, "Setting", "PortNumber"), std::nullopt);
    EXPECT_EQ(ReadValue(strFile, "Setting", "UpdateTime"), "3");
    EXPECT_EQ(WriteValue(strFile, "Setting", "PortNumber", "7"),
              "[Setting]\n  PortNumber=7\r\nPortNumber=2\n[Broken\nUpdateTime=3\n");
}

TEST(IniReadTest, ASectionNameRunsToTheLastBracket)
{
    const std::string strFile = "[ a]b ]\nKey=1\n";
    EXPECT_EQ(ReadValue(strFile, "a]b", "Key"), "1");
    EXPECT_EQ(ReadValue(strFile, "a", "Key"), std::nullopt);
}

TEST(IniReadTest, ALoneCrEndsALine)
{
    const std::string strFile = "[Setting]\rPortNumber=1\rUpdateTime=2\r\nAutoConnect=3\n";
    EXPECT_EQ(ReadValue(strFile, "Setting", "PortNumber"), "1");
    EXPECT_EQ(ReadValue(strFile, "Setting", "UpdateTime"), "2");
    EXPECT_EQ(ReadValue(strFile, "Setting", "AutoConnect"), "3");
}

TEST(IniReadTest, OnlyTheFirstOfTwinSectionsAndKeysCounts)
{
    const std::string strFile =
        "[Setting]\nPortNumber=1\nportnumber=2\n[Setting]\nPortNumber=3\nUpdateTime=4\n";
    EXPECT_EQ(ReadValue(strFile, "Setting", "PortNumber"), "1");
    EXPECT_EQ(ReadValue(strFile, "Setting", "UpdateTime"), std::nullopt);
    EXPECT_EQ(WriteValue(strFile, "Setting", "PortNumber", "9"),
              "[Setting]\nPortNumber=9\nportnumber=2\n[Setting]\nPortNumber=3\nUpdateTime=4\n");
}

TEST(IniReadTest, SectionNamesMayHoldSpacesAndTheFileAByteOrderMark)
{
    const std::string strFile = "\xEF\xBB\xBF[My Section]\nKey=a b\n";
    EXPECT_EQ(ReadValue(strFile, "my section", "Key"), "a b");
    EXPECT_EQ(WriteValue(strFile, "My Section", "Key", "c"), "\xEF\xBB\xBF[My Section]\nKey=c\n");
}

TEST(IniWriteTest, ChangesOnlyTheValueOfAnExistingKey)
{
    const std::string strBefore = "; Lumidot\r\n[Other]\r\nPortNumber=5\r\n\r\n[SETTING]\r\n"
                                  "  portnumber = 007  \r\nUpdateTime=3\r\n";
    EXPECT_EQ(WriteValue(strBefore, "Setting", "PortNumber", "7"),
              "; Lumidot\r\n[Other]\r\nPortNumber=5\r\n\r\n[SETTING]\r\n"
              "  portnumber = 7\r\nUpdateTime=3\r\n");
}

TEST(IniWriteTest, PutsAMissingKeyAfterTheLastKeyOfItsSection)
{
    EXPECT_EQ(WriteValue("[Setting]\nPortNumber=1\n; about Other\n\n[Other]\nA=1\n", "Setting",
                         "UpdateTime", "5"),
              "[Setting]\nPortNumber=1\nUpdateTime=5\n; about Other\n\n[Other]\nA=1\n");
    EXPECT_EQ(WriteValue("[Setting]\r\n[Other]\r\n", "Setting", "UpdateTime", "5"),
              "[Setting]\r\nUpdateTime=5\r\n[Other]\r\n");
}

TEST(IniWriteTest, NewLinesEndLikeTheFilesLines)
{
    EXPECT_EQ(WriteValue("", "Setting", "PortNumber", "1"), "[Setting]\r\nPortNumber=1\r\n");
    EXPECT_EQ(WriteValue("[A]\nB=1\n", "Setting", "PortNumber", "1"),
              "[A]\nB=1\n[Setting]\nPortNumber=1\n");
    EXPECT_EQ(WriteValue("[A]\r\nB=1\r\n", "Setting", "PortNumber", "1"),
              "[A]\r\nB=1\r\n[Setting]\r\nPortNumber=1\r\n");
    // A last line without a line end gets one before anything follows it.
    EXPECT_EQ(WriteValue("[A]\nB=1", "Setting", "PortNumber", "1"),
              "[A]\nB=1\n[Setting]\nPortNumber=1\n");
    EXPECT_EQ(WriteValue("[Setting]", "Setting", "PortNumber", "1"),
              "[Setting]\r\nPortNumber=1\r\n");
    EXPECT_EQ(WriteValue("[Setting]\nA=1", "Setting", "PortNumber", "1"),
              "[Setting]\nA=1\nPortNumber=1\n");
    EXPECT_EQ(WriteValue("[A]\rB=1\r", "Setting", "PortNumber", "1"),
              "[A]\rB=1\r[Setting]\rPortNumber=1\r");
    // A lone CR before the empty line would make one CR LF of the two line ends.
    EXPECT_EQ(WriteValue("[Setting]\rA=1\n\n[B]\r", "Setting", "PortNumber", "1"),
              "[Setting]\rA=1\nPortNumber=1\r\n\n[B]\r");
}

TEST(IniWriteTest, BinaryContentSurvivesAWrite)
{
    const std::string strNul = "[Setting]\nA=\0x\n\0\0\n"s;
    EXPECT_EQ(WriteValue(strNul, "Setting", "PortNumber", "1"),
              "[Setting]\nA=\0x\n\0\0\nPortNumber=1\n"s);

    std::string strGarbage(10 * 1024 * 1024, '\0');
    std::uint32_t nSeed = 12345;
    for (char& ch : strGarbage) {
        nSeed = nSeed * 1103515245u + 12345u;
        ch = static_cast<char>(nSeed >> 24);
    }
    std::string strAfter = WriteValue(strGarbage, "Setting", "PortNumber", "1");
    EXPECT_EQ(ReadValue(strAfter, "Setting", "PortNumber"), "1");
    ASSERT_GE(strAfter.size(), strGarbage.size());
    // The new section went to the end, after the garbage, which is unchanged.
    EXPECT_EQ(strAfter.compare(0, strGarbage.size(), strGarbage), 0);
}

}  // namespace
