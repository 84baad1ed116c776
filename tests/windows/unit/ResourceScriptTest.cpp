// The resource script spells out the menu and the dialogs the Windows edition shows; their texts
// and command ids must be those of the shared table, which the Linux edition shows.
#include "core/Texts.h"
#include "core/ini/Utf8.h"

#include "EnglishTexts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <string>
#include <vector>

namespace {

std::string ReadSource(const std::string& strPath)
{
    std::ifstream file(std::string(LUMIDOT_SOURCE_DIR) + "/" + strPath, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

std::string Utf8(const wchar_t* pszText) { return ToUtf8(pszText); }

// The #define'd ids of resource.h.
std::map<std::string, int> ResourceIds()
{
    std::map<std::string, int> ids;
    const std::string strHeader = ReadSource("windows/res/resource.h");
    const std::regex define(R"(#define\s+(\w+)\s+(\d+))");
    for (std::sregex_iterator it(strHeader.begin(), strHeader.end(), define), end; it != end; ++it)
        ids[(*it)[1]] = std::stoi((*it)[2]);
    return ids;
}

// The first block whose header line begins with strHeader, from that line to its END.
std::string Block(const std::string& strScript, const std::string& strHeader)
{
    const std::size_t nStart = strScript.find("\n" + strHeader);
    const std::size_t nEnd = strScript.find("\nEND", nStart);
    return nStart == std::string::npos ? std::string() : strScript.substr(nStart, nEnd - nStart);
}

TEST(ResourceScriptTest, TheTrayMenuHasTheSharedLabelsAndCommandIds)
{
    const std::string strMenu = Block(ReadSource("windows/res/Lumidot.rc"), "IDR_TRAY_MENU MENU");
    const std::map<std::string, int> ids = ResourceIds();
    std::vector<std::pair<std::string, int>> script, table;
    const std::regex item(R"re(MENUITEM\s+(?:SEPARATOR|"([^"]*)",\s*(\w+)))re");
    for (std::sregex_iterator it(strMenu.begin(), strMenu.end(), item), end; it != end; ++it) {
        const auto id = ids.find((*it)[2]);
        script.emplace_back((*it)[1], id == ids.end() ? 0 : id->second);
    }
    for (const texts::MenuItem& menuItem : texts::kTrayMenu)
        table.emplace_back(menuItem.pszLabel ? Utf8(menuItem.pszLabel) : "",
                           static_cast<int>(menuItem.command));
    EXPECT_EQ(script, table);
}

TEST(ResourceScriptTest, TheDialogsHaveTheSharedTexts)
{
    const std::string strScript = ReadSource("windows/res/Lumidot.rc");
    auto has = [](const std::string& strDialog, const std::string& strWhat) {
        return strDialog.find(strWhat) != std::string::npos;
    };
    const std::string strPort = Block(strScript, "IDD_PORT_DIALOG DIALOGEX");
    const std::string strSetting = Block(strScript, "IDD_SETTING_DIALOG DIALOGEX");
    const std::string strAbout = Block(strScript, "IDD_ABOUTBOX DIALOGEX");
    const std::string strOk = "\"" + Utf8(texts::kOk) + "\", IDOK,";
    const std::string strCancel = "\"" + Utf8(texts::kCancel) + "\", IDCANCEL,";
    const std::string strPortLabel = "\"" + Utf8(texts::kPortLabel) + "\", IDC_STATIC,";

    EXPECT_TRUE(has(strPort, "CAPTION \"" + Utf8(texts::kPortDialogCaption) + "\""));
    EXPECT_TRUE(has(strPort, strOk) && has(strPort, strCancel) && has(strPort, strPortLabel));

    EXPECT_TRUE(has(strSetting, "CAPTION \"" + Utf8(texts::kSettingDialogCaption) + "\""));
    EXPECT_TRUE(has(strSetting, strOk) && has(strSetting, strCancel) &&
                has(strSetting, strPortLabel));
    EXPECT_TRUE(has(strSetting, "\"" + Utf8(texts::kIntervalLabel) + "\", IDC_STATIC,"));
    EXPECT_TRUE(
        has(strSetting, "\"" + Utf8(texts::kAutoConnectCheck) + "\", IDC_AUTOCONNECT_CHECK,"));
    EXPECT_TRUE(has(strSetting, "\"" + Utf8(texts::kAlnumOffCheck) + "\", IDC_ALNUM_OFF_CHECK,"));
    EXPECT_TRUE(has(strSetting, "\"" + Utf8(texts::kLedLinesLabel) + "\", IDC_STATIC,"));
    EXPECT_TRUE(
        has(strSetting, "\"" + Utf8(texts::kLedInvertedCheck) + "\", IDC_LED_INVERTED_CHECK,"));
    EXPECT_TRUE(
        has(strSetting, "\"" + Utf8(texts::kCaretLampCheck) + "\", IDC_CARET_LAMP_CHECK,"));
    for (int nMs = 100; nMs <= 1000; nMs += 100)
        EXPECT_TRUE(has(
            strScript,
            "\"" + Utf8(texts::Fill(texts::kIntervalItem, std::to_wstring(nMs)).c_str()) + "\\0\""))
            << nMs;

    EXPECT_TRUE(has(strAbout, "CAPTION \"" + Utf8(texts::kAboutDialogCaption) + "\""));
    EXPECT_TRUE(has(strAbout, "\"" + Utf8(texts::kOk) + "\", IDOK,"));
    EXPECT_TRUE(has(strAbout, "\"" + Utf8(texts::kHelpPageButton) + "\", IDC_HELP_PAGE,"));
}

// The English user interface: the Japanese one's resources with the same ids, layout and styles,
// each text the English of the Japanese one in its place.
TEST(ResourceScriptTest, TheEnglishMenuAndDialogsAreTheJapaneseOnesTranslated)
{
    const std::string strScript = ReadSource("windows/res/Lumidot.rc");
    const std::size_t nEnglish = strScript.find("\nLANGUAGE LANG_ENGLISH");
    ASSERT_NE(nEnglish, std::string::npos);
    const std::string strJapanese = strScript.substr(0, nEnglish);
    const std::string strEnglish = strScript.substr(nEnglish);
    const std::regex quoted(R"re("((?:[^"\\]|"")*)(?:\\0)?")re");  // a combo box item ends in \0
    // A combo box item's length counts the text's bytes in the Japanese code page: only ASCII here.
    const std::regex comboItem(R"re(COMBO_ITEM\((\w+), (\d+), "([^"\\]*)\\0"\))re");
    // The table's texts in English, and the interval items made from theirs.
    std::map<std::string, std::string> english;
    for (const texts::Translation& translation : texts::kEnglish)
        english[Utf8(translation.pszSource)] = Utf8(translation.pszEnglish);
    for (int nMs = 100; nMs <= 1000; nMs += 100)
        english[Utf8(texts::Fill(texts::kIntervalItem, std::to_wstring(nMs)).c_str())] =
            Utf8(texts::Fill(FromUtf8(english[Utf8(texts::kIntervalItem)]).c_str(),
                             std::to_wstring(nMs)).c_str());
    auto translate = [&english](const std::string& strText) {
        const auto it = english.find(strText);
        const bool bAscii = std::all_of(strText.begin(), strText.end(),
                                        [](char ch) { return (ch & 0x80) == 0; });
        return it != english.end() ? it->second : bAscii ? strText : "no English for " + strText;
    };
    for (const char* pszName : {"IDR_TRAY_MENU MENU", "IDD_ABOUTBOX DIALOGEX",
                                "IDD_PORT_DIALOG DIALOGEX", "IDD_SETTING_DIALOG DIALOGEX",
                                "IDD_PORT_DIALOG 240", "IDD_SETTING_DIALOG 240"}) {
        std::string strJa = Block(strJapanese, pszName), strEn = Block(strEnglish, pszName);
        ASSERT_FALSE(strEn.empty()) << pszName;
        // The fonts differ: the Japanese one has no Latin letters to speak of.
        for (std::string* pBlock : {&strJa, &strEn})
            *pBlock = std::regex_replace(*pBlock, std::regex(R"(FONT [^\n]*)"), "");
        for (std::sregex_iterator it(strEn.begin(), strEn.end(), comboItem), end; it != end; ++it)
            EXPECT_EQ(std::stoul((*it)[2]), (*it)[3].length() + 1) << (*it)[0];
        // The English texts in the order of the Japanese ones.
        std::vector<std::string> translated, shown;
        for (std::sregex_iterator it(strJa.begin(), strJa.end(), quoted), end; it != end; ++it)
            translated.push_back(translate((*it)[1]));
        for (std::sregex_iterator it(strEn.begin(), strEn.end(), quoted), end; it != end; ++it)
            shown.push_back((*it)[1]);
        EXPECT_EQ(shown, translated) << pszName;
        // The rest, combo box items' lengths aside, the same.
        for (std::string* pBlock : {&strJa, &strEn}) {
            *pBlock = std::regex_replace(*pBlock, std::regex(R"(COMBO_ITEM\((\w+), \d+,)"), "$1");
            *pBlock = std::regex_replace(*pBlock, quoted, "\"\"");
            *pBlock = std::regex_replace(*pBlock, std::regex(R"(\s+)"), " ");
        }
        EXPECT_EQ(strEn, strJa) << pszName;
    }
}

}  // namespace
