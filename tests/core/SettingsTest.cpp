#include "tests/core/fakes/SeamTest.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

// Settings kept in the seam fake's file, in memory, by the real INI rules.
using SettingsTest = CSeamTest;

TEST_F(SettingsTest, WithoutAFileTheDefaultsAreUsedAndSavedAsANewFile)
{
    g_nPortNumber = g_nUpdateTime = g_nAutoConnect = 99;
    LoadSettings();
    EXPECT_EQ(g_nPortNumber, 1);
    EXPECT_EQ(g_nUpdateTime, 5);
    EXPECT_EQ(g_nAutoConnect, 0);

    SaveSettings();
    EXPECT_EQ(g_Seam.Ini(), "[Setting]\r\nPortNumber=1\r\nUpdateTime=5\r\nAutoConnect=0\r\n");
}

TEST_F(SettingsTest, TheKeysAreReadAndWrittenOneByOneInTheirOrder)
{
    LoadSettings();
    EXPECT_EQ(g_Seam.reads,
              (Calls{"ReadProfile(PortNumber)", "ReadProfile(UpdateTime)",
                     "ReadProfile(AutoConnect)", "ReadProfile(AlnumOff)", "ReadProfile(PortDevice)",
                     "ReadProfile(LedLines)", "ReadProfile(LedInverted)",
                     "ReadProfile(CaretLamp)"}));
    g_nPortNumber = 4;
    g_nUpdateTime = 6;
    g_nAutoConnect = 1;
    SaveSettings();
    EXPECT_EQ(g_Seam.calls, SavedKeys(4, 6, 1));
}

TEST_F(SettingsTest, ValuesLoadAsWrittenWithoutAnyRangeCheck)
{
    g_Seam.WriteIni("[Setting]\nPortNumber=\nUpdateTime=3xyz\nAutoConnect=2\n");
    LoadSettings();
    EXPECT_EQ(g_nPortNumber, 0);
    EXPECT_EQ(g_nUpdateTime, 3);
    EXPECT_EQ(g_nAutoConnect, 2);

    g_Seam.WriteIni(
        "[setting]\nportnumber=99999999999\nUPDATETIME= -3\nAutoConnect=-99999999999\n");
    LoadSettings();
    EXPECT_EQ(g_nPortNumber, INT_MAX);
    EXPECT_EQ(g_nUpdateTime, -3);
    EXPECT_EQ(g_nAutoConnect, INT_MIN);
}

TEST_F(SettingsTest, SaveWritesPlainDecimalAndKeepsEveryOtherLine)
{
    const std::string strOther = "; my LED\r\n[Window]\r\nPortNumber=4\r\n\r\n";
    g_Seam.WriteIni(strOther +
                    "[Setting]\r\nPortNumber = 007\r\nExtra=x\r\nUpdateTime=10\r\n[Last]\r\nA=1");
    LoadSettings();
    EXPECT_EQ(g_nPortNumber, 7);

    g_nAutoConnect = 1;
    SaveSettings();
    EXPECT_EQ(g_Seam.Ini(), strOther + "[Setting]\r\nPortNumber = 7\r\nExtra=x\r\nUpdateTime=10\r\n"
                                       "AutoConnect=1\r\n[Last]\r\nA=1");
}

TEST_F(SettingsTest, AddedKeysAreWrittenOnlyOnceTheyMatter)
{
    const std::string strPlain = "[Setting]\r\nPortNumber=1\r\nUpdateTime=5\r\nAutoConnect=0\r\n";
    LoadSettings();
    SaveSettings();
    EXPECT_EQ(g_Seam.Ini(), strPlain);

    g_nAlnumOff = 1;
    g_strPortDevice = L"/dev/ttyUSB0";
    g_nCaretLamp = 1;
    SaveSettings();
    g_nCaretLamp = 0;
    LoadSettings();
    EXPECT_EQ(g_nAlnumOff, 1);
    EXPECT_EQ(g_strPortDevice, L"/dev/ttyUSB0");
    EXPECT_EQ(g_nCaretLamp, 1);

    // Back to the defaults: written, or the file would still say otherwise.
    g_nAlnumOff = 0;
    g_strPortDevice.clear();
    g_nCaretLamp = 0;
    SaveSettings();
    EXPECT_EQ(g_Seam.Ini(), strPlain + "AlnumOff=0\r\nPortDevice=\r\nCaretLamp=0\r\n");
}

TEST_F(SettingsTest, TheWiringIsWrittenOnlyOnceItDiffersOrTheFileHasIt)
{
    const std::string strPlain =
        "[Setting]\r\nPortNumber=1\r\nUpdateTime=5\r\nAutoConnect=0\r\nLedInverted=0\r\n";
    g_Seam.WriteIni(strPlain);
    LoadSettings();
    SaveSettings();
    EXPECT_EQ(g_Seam.Ini(), strPlain);

    g_nLedLines = 2;
    g_nLedInverted = 1;
    SaveSettings();
    g_nLedLines = g_nLedInverted = 0;
    LoadSettings();
    EXPECT_EQ(g_nLedLines, 2);
    EXPECT_EQ(g_nLedInverted, 1);
}

TEST_F(SettingsTest, ValuesAreReadThroughA32CharacterBuffer)
{
    g_Seam.WriteIni("[Setting]\nPortNumber=" + std::string(31, '0') +
                    "5\nUpdateTime=" + std::string(31, ' ') + "5\n");
    LoadSettings();
    EXPECT_EQ(g_nPortNumber, 0);
    EXPECT_EQ(g_nUpdateTime, 5);  // white space around a value is not part of it

    // A device path is read whole, however long the adapter's by-id name is.
    const std::string strById =
        "/dev/serial/by-id/usb-Silicon_Labs_CP2102N_USB_to_UART_Bridge_Controller_"
        "6a3b2c1d0e9f8a7b6c5d4e3f2a1b0c9d-if00-port0";
    g_Seam.WriteIni("[Setting]\nPortDevice=" + strById + "\n");
    LoadSettings();
    EXPECT_EQ(g_strPortDevice, std::wstring(strById.begin(), strById.end()));
}

TEST_F(SettingsTest, AFailedSaveIsIgnoredAndTheNextStartReadsWhatTheFileHolds)
{
    g_Seam.WriteIni("[Setting]\r\nPortNumber=2\r\n");
    g_Seam.bWriteFails = true;
    g_nPortNumber = 9;
    SaveSettings();
    // Each key was still tried, by its own call.
    EXPECT_EQ(g_Seam.calls, SavedKeys(9, 5, 0));
    LoadSettings();
    EXPECT_EQ(g_nPortNumber, 2);
}

TEST(ParseSettingValueTest, ReadsLeadingDecimalDigitsLikeAtoi)
{
    EXPECT_EQ(ParseSettingValue(L""), 0);
    EXPECT_EQ(ParseSettingValue(L"abc"), 0);
    EXPECT_EQ(ParseSettingValue(L"- 3"), 0);
    EXPECT_EQ(ParseSettingValue(L"\t\r\n +12"), 12);
    EXPECT_EQ(ParseSettingValue(L"-3"), -3);
    EXPECT_EQ(ParseSettingValue(L"007"), 7);
    EXPECT_EQ(ParseSettingValue(L"3xyz"), 3);
    EXPECT_EQ(ParseSettingValue(L"1 2"), 1);
    EXPECT_EQ(ParseSettingValue(L"\uFF13"), 0);  // a full-width digit is not a digit
}

TEST(ParseSettingValueTest, SaturatesAtTheIntRange)
{
    EXPECT_EQ(ParseSettingValue(L"2147483647"), INT_MAX);
    EXPECT_EQ(ParseSettingValue(L"2147483648"), INT_MAX);
    EXPECT_EQ(ParseSettingValue(L"99999999999999999999999999999"), INT_MAX);
    EXPECT_EQ(ParseSettingValue(L"-2147483648"), INT_MIN);
    EXPECT_EQ(ParseSettingValue(L"-2147483649"), INT_MIN);
    EXPECT_EQ(ParseSettingValue(L"-00000000000000000000000000001"), -1);
}

}  // namespace
