// The Linux edition's settings file: our writer over real files in a temporary folder.
#include "core/Platform.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

class ProfileTest : public ::testing::Test {
protected:
    fs::path Dir() const { return m_dir.path().toStdString(); }

    static bool Write(const fs::path& path, const wchar_t* pszKey, const wchar_t* pszValue)
    {
        return sys::WritePrivateProfile(L"Setting", pszKey, pszValue, path.wstring().c_str());
    }
    static std::wstring Read(const fs::path& path, const wchar_t* pszKey)
    {
        return sys::ReadPrivateProfile(L"Setting", pszKey, L"-", 1024, path.wstring().c_str());
    }

    QTemporaryDir m_dir;
};

TEST_F(ProfileTest, MakesTheFolderAndWritesWhereALinkedFileLeads)
{
    // A fresh account has no configuration folder yet.
    ASSERT_TRUE(Write(Dir() / "new" / "Lumidot.ini", L"PortNumber", L"1"));
    EXPECT_TRUE(fs::exists(Dir() / "new" / "Lumidot.ini"));

    // A settings file kept elsewhere and linked in stays a link, and gets the values.
    const fs::path target = Dir() / "dotfiles.ini";
    std::ofstream(target) << "[Setting]\nPortNumber=2\n";
    fs::create_symlink(target, Dir() / "Lumidot.ini");
    ASSERT_TRUE(Write(Dir() / "Lumidot.ini", L"PortNumber", L"9"));
    EXPECT_TRUE(fs::is_symlink(Dir() / "Lumidot.ini"));
    EXPECT_EQ(Read(target, L"PortNumber"), L"9");
    EXPECT_FALSE(fs::exists(Dir() / "dotfiles.ini.new"));
}

}  // namespace
