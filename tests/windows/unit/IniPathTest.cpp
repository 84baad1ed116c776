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

// Unzipped into a folder the user cannot write, such as Program Files.
TEST_F(IniPathTest, AFolderClosedToTheUserMovesTheSettingsToTheUsersOwnCopyInAppData)
{
    const fs::path exeDir = m_folder->Path(), appData = exeDir / "Roaming";
    fs::create_directories(appData);
    g_Fake.strAppData = appData.wstring();
    const std::wstring strBesideExe = m_folder->IniPath().wstring();

    // An open folder keeps it beside the exe.
    EXPECT_EQ(sys::GetIniPath(), strBesideExe);

    // Closed, and the file an administrator left there read-only: the user's copy starts from it.
    m_folder->WriteIni("[Setting]\nPortNumber=7\n");
    g_Fake.closedPaths = {exeDir.wstring(), strBesideExe};
    LoadSettings();
    EXPECT_EQ(g_nPortNumber, 7);
    EXPECT_EQ(sys::GetIniPath(), g_Fake.strAppData + L"\\Lumidot\\Lumidot.ini");
    g_nPortNumber = 9;
    EXPECT_TRUE(SaveSettings());
    g_nPortNumber = 0;
    LoadSettings();
    EXPECT_EQ(g_nPortNumber, 9);
    EXPECT_EQ(m_folder->ReadIni(), "[Setting]\nPortNumber=7\n");

    // A writable file in the closed folder is written in place.
    g_Fake.closedPaths = {exeDir.wstring()};
    EXPECT_EQ(sys::GetIniPath(), strBesideExe);

    // Neither place writable: the file beside the exe is still read, and the save fails.
    fs::remove_all(appData / "Lumidot");
    g_Fake.closedPaths = {exeDir.wstring(), strBesideExe, appData.wstring()};
    LoadSettings();
    EXPECT_EQ(g_nPortNumber, 7);
    EXPECT_FALSE(SaveSettings());
}

}  // namespace
