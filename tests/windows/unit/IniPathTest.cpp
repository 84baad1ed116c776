// Where the Windows edition keeps its settings file: beside the exe.
#include "windows/unit/fakes/LogicTest.h"
#include "windows/unit/fakes/TempExeFolder.h"

#include <filesystem>
#include <memory>

namespace fs = std::filesystem;

namespace {

// The exe "runs" from a fresh temporary folder.
class IniPathTest : public CLogicTest {
protected:
    void SetUp() override
    {
        CLogicTest::SetUp();
        m_folder = std::make_unique<CTempExeFolder>();
    }

    std::unique_ptr<CTempExeFolder> m_folder;
};

TEST_F(IniPathTest, TheFileSitsBesideTheExeWhateverItsNameAndFolder)
{
    const fs::path& dir = m_folder->Path();
    g_Fake.strExePath = (dir / "renamed.exe").wstring();
    EXPECT_EQ(sys::GetIniPath(), m_folder->IniPath().wstring());

    g_Fake.strExePath = L"C:\\Program Files\\Lumidot\\Lumidot.exe";
    EXPECT_EQ(sys::GetIniPath(), L"C:\\Program Files\\Lumidot\\Lumidot.ini");

    // Past the 260 characters of MAX_PATH, and in a folder with a Japanese name. (The path is built
    // by hand: fs::path converts wide text through the C locale, which knows no Japanese.)
    fs::path deep = dir / "設定" / std::string(250, 'x');
    fs::create_directories(deep);
    std::wstring strDeep = dir.wstring() + L"/設定/" + std::wstring(250, L'x');
    g_Fake.strExePath = strDeep + L"/Lumidot.exe";
    EXPECT_EQ(sys::GetIniPath(), strDeep + L"/Lumidot.ini");
    g_nPortNumber = 12;
    SaveSettings();
    g_nPortNumber = 0;
    LoadSettings();
    EXPECT_EQ(g_nPortNumber, 12);
    EXPECT_TRUE(fs::exists(deep / "Lumidot.ini"));
}

}  // namespace
