// The Windows edition speaks Windows' display language where it is Japanese and English elsewhere,
// and points Chinese and Korean typists at the alphanumeric option.
#include "core/ini/Utf8.h"
#include "windows/system/Session.h"
#include "windows/unit/fakes/LogicTest.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <regex>

namespace {

using LanguageTest = CLogicTest;

// The texts of the shared table: the wide literals of core/Texts.h.
std::vector<std::wstring> SharedTexts()
{
    std::ifstream file(std::string(LUMIDOT_SOURCE_DIR) + "/core/Texts.h", std::ios::binary);
    const std::string strHeader(std::istreambuf_iterator<char>(file), {});
    std::vector<std::wstring> texts;
    const std::regex literal(R"re(L"((?:[^"\\]|\\.)*)")re");
    for (std::sregex_iterator it(strHeader.begin(), strHeader.end(), literal), end; it != end;
         ++it) {
        const std::string strText =
            std::regex_replace(std::regex_replace((*it)[1].str(), std::regex(R"(\\r)"), "\r"),
                               std::regex(R"(\\n)"), "\n");
        texts.push_back(FromUtf8(strText));
    }
    return texts;
}

TEST_F(LanguageTest, EveryTextIsJapaneseOnAJapaneseWindowsAndEnglishOnAnyOther)
{
    const std::vector<std::wstring> texts = SharedTexts();
    ASSERT_GT(texts.size(), 25u);
    // The %s a text has for Fill.
    const auto blanks = [blank = std::wregex(L"%s")](const std::wstring& strText) {
        return std::distance(std::wsregex_iterator(strText.begin(), strText.end(), blank), {});
    };
    // Japanese, English (US), Chinese (PRC), Korean, German
    for (const LANGID langUi :
         {LANGID{0x0411}, LANGID{0x0409}, LANGID{0x0804}, LANGID{0x0412}, LANGID{0x0407}}) {
        g_Fake.langUi = langUi;
        const bool bJapanese = langUi == 0x0411;
        EXPECT_EQ(UiLanguage(), bJapanese ? 0x0411 : 0x0409) << langUi;
        for (const std::wstring& strText : texts) {
            const std::wstring strShown = sys::LocalText(strText.c_str());
            const bool bAscii =
                std::all_of(strText.begin(), strText.end(), [](wchar_t ch) { return ch < 0x80; });
            if (bJapanese) {
                EXPECT_EQ(ToUtf8(strShown), ToUtf8(strText));
            } else if (!bAscii) {
                EXPECT_NE(strShown, strText) << "no English for " << ToUtf8(strText);
            }
            EXPECT_EQ(blanks(strShown), blanks(strText)) << ToUtf8(strText);
        }
    }
}

TEST_F(LanguageTest, TheHintShowsForChineseAndKoreanInputMethodsWhileTheOptionIsOff)
{
    const struct {
        std::uintptr_t nLayout;
        bool bHint;
    } rows[] = {
        {0xE0010411, false},  // Microsoft IME, Japanese
        {0x04110411, false},  // Japanese, a text service
        {0x08040804, true},   // Microsoft Pinyin, Chinese (PRC)
        {0x04040404, true},   // Bopomofo, Chinese (Taiwan)
        {0xE00E0804, true},   // an IMM32 Chinese IME
        {0x04120412, true},   // Microsoft Korean IME
        {0x04090409, false},  // US keyboard
        {0x00000000, false},  // the thread ended
    };
    for (const auto& row : rows) {
        g_Fake.layouts[1] = reinterpret_cast<HKL>(row.nLayout);
        EXPECT_EQ(NeedsAlnumOffHint(false), row.bHint) << std::hex << row.nLayout;
        EXPECT_FALSE(NeedsAlnumOffHint(true)) << std::hex << row.nLayout;
    }
    // The layout is that of the thread of the window typed into, here a child of another thread's
    // window in front, and none while nothing is in front.
    g_Fake.layouts[1] = reinterpret_cast<HKL>(0x04110411);
    g_Fake.windows[reinterpret_cast<HWND>(0x1100)] = {L"Edit", 9, g_Fake.hForeground, nullptr};
    g_Fake.focus[1] = reinterpret_cast<HWND>(0x1100);
    g_Fake.layouts[9] = reinterpret_cast<HKL>(0x04120412);
    EXPECT_TRUE(NeedsAlnumOffHint(false));
    g_Fake.hForeground = nullptr;
    EXPECT_FALSE(NeedsAlnumOffHint(false));
}

}  // namespace
