// The Linux edition's settings file: our writer over real files in a temporary folder, held to
// what the Windows profile calls keep (a file's mode, a read-only file, a link) and to what two
// writers at once must not break.
#include "core/Platform.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include <dlfcn.h>
#include <sys/mount.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// The file calls whose order makes a write durable, recorded while a test asks for it.
bool s_bRecording = false;
std::vector<std::string> s_calls;

template <typename Function>
Function Real(const char *pszName)
{
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, pszName));
}

}  // namespace

// The writer's calls land here first, then go on to the C library's.
extern "C" int fsync(int fd)
{
    std::error_code error;
    if (s_bRecording)
        s_calls.push_back("fsync " +
                          fs::read_symlink("/proc/self/fd/" + std::to_string(fd), error).string());
    return Real<int (*)(int)>("fsync")(fd);
}

extern "C" int rename(const char *pszFrom, const char *pszTo) noexcept
{
    if (s_bRecording)
        s_calls.push_back(std::string("rename ") + pszFrom + " " + pszTo);
    return Real<int (*)(const char *, const char *)>("rename")(pszFrom, pszTo);
}

namespace {

class ProfileTest : public ::testing::Test {
protected:
    void SetUp() override { fs::permissions(Dir(), fs::perms(0755)); }

    fs::path Dir() const { return m_dir.path().toStdString(); }
    fs::path Ini() const { return Dir() / "Lumidot.ini"; }

    static bool Write(const fs::path &path, const wchar_t *pszKey, const std::wstring &strValue)
    {
        return sys::WritePrivateProfile(L"Setting", pszKey, strValue.c_str(),
                                        path.wstring().c_str());
    }
    static std::wstring Read(const fs::path &path, const wchar_t *pszKey)
    {
        return sys::ReadPrivateProfile(L"Setting", pszKey, L"-", 1024, path.wstring().c_str());
    }
    static std::string Text(const fs::path &path)
    {
        std::ifstream file(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), {});
    }
    static unsigned Mode(const fs::path &path)
    {
        return static_cast<unsigned>(fs::status(path).permissions());
    }

    // Runs body in a child process as the unprivileged user nobody; its exit code.
    static int AsNobody(const std::function<bool()> &body)
    {
        const pid_t pid = fork();
        if (pid == 0)
            _exit(setgid(65534) == 0 && setuid(65534) == 0 && body() ? 0 : 1);
        int status = 0;
        waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    QTemporaryDir m_dir;
};

TEST_F(ProfileTest, MakesTheFolderAndWritesWhereALinkedFileLeadsEvenWhenItIsMissing)
{
    // A fresh account has no configuration folder yet.
    ASSERT_TRUE(Write(Dir() / "new" / "Lumidot.ini", L"PortNumber", L"1"));
    EXPECT_TRUE(fs::exists(Dir() / "new" / "Lumidot.ini"));

    // A settings file kept elsewhere and linked in stays a link, and gets the values; so does a
    // link whose file is not there yet.
    for (const char *pszTarget : {"dotfiles.ini", "missing.ini"}) {
        const fs::path target = Dir() / pszTarget;
        if (pszTarget == std::string("dotfiles.ini"))
            std::ofstream(target) << "[Setting]\nPortNumber=2\n";
        fs::remove(Ini());
        fs::create_symlink(pszTarget, Ini());
        ASSERT_TRUE(Write(Ini(), L"PortNumber", L"9")) << pszTarget;
        EXPECT_TRUE(fs::is_symlink(Ini()));
        EXPECT_EQ(Read(target, L"PortNumber"), L"9");
    }
    // Nothing is left beside the file.
    EXPECT_EQ(std::distance(fs::directory_iterator(Dir()), {}), 4);
}

TEST_F(ProfileTest, KeepsTheFilesModeAndRefusesAReadOnlyFileAsWindowsDoes)
{
    // A new file is made as any new file here: 0666 less the umask, not the temporary's 0600.
    const mode_t mask = umask(027);
    const bool bWritten = Write(Ini(), L"PortNumber", L"2");
    umask(mask);
    ASSERT_TRUE(bWritten);
    EXPECT_EQ(Mode(Ini()), 0640u);
    // A file the user made readable to others stays so.
    fs::permissions(Ini(), fs::perms(0664));
    ASSERT_TRUE(Write(Ini(), L"PortNumber", L"3"));
    EXPECT_EQ(Mode(Ini()), 0664u);

    fs::permissions(Ini(), fs::perms(0444));
    EXPECT_FALSE(Write(Ini(), L"PortNumber", L"4"));
    EXPECT_EQ(Text(Ini()), "[Setting]\r\nPortNumber=3\r\n");
    EXPECT_EQ(Mode(Ini()), 0444u);
}

TEST_F(ProfileTest, AWritableFileInAReadOnlyFolderIsWrittenInPlaceButAnUnreadableOneIsLeftAlone)
{
    // The file gets shorter: what is left of the old one beyond the new end is cut off.
    std::ofstream(Ini()) << "[Other]\nKey=1\n[Setting]\nPortNumber=25\n";
    fs::permissions(Ini(), fs::perms(0666));
    fs::permissions(Dir(), fs::perms(0555));
    EXPECT_EQ(AsNobody([&] { return Write(Ini(), L"PortNumber", L"5"); }), 0);
    EXPECT_EQ(Text(Ini()), "[Other]\nKey=1\n[Setting]\nPortNumber=5\n");

    // A file that cannot be read is not taken as empty and overwritten with one key.
    fs::permissions(Ini(), fs::perms(0622));
    EXPECT_EQ(AsNobody([&] { return Write(Ini(), L"PortNumber", L"6"); }), 1);
    EXPECT_EQ(Text(Ini()), "[Other]\nKey=1\n[Setting]\nPortNumber=5\n");
}

TEST_F(ProfileTest, AFullDiskRefusesTheWriteAndLeavesTheOldSettingsWhole)
{
    // A small filesystem of its own, filled up: the file's new length needs one more block.
    const fs::path disk = Dir() / "disk";
    fs::create_directory(disk);
    if (mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=64k,mode=0755") != 0)
        GTEST_SKIP() << "no tmpfs can be mounted here";
    const fs::path ini = disk / "Lumidot.ini";
    const std::string strOld = "[Other]\nKey=" + std::string(4050, 'x') + "\n[Setting]\nA=1\n";
    std::ofstream(ini) << strOld;
    fs::permissions(ini, fs::perms(0666));
    {
        std::ofstream filler(disk / "filler");
        const std::string block(512, '.');
        while (filler << block << std::flush) {
        }
    }
    // The writer may not make a file in the folder: only the in-place write is left.
    fs::permissions(disk, fs::perms(0555));
    ASSERT_LT(strOld.size(), 4096u);
    EXPECT_EQ(AsNobody([&] { return Write(ini, L"PortNumber", L"1234567890"); }), 1);
    EXPECT_TRUE(Text(ini) == strOld) << "the old settings were damaged";
    // Room again: the same write goes through.
    fs::remove(disk / "filler");
    EXPECT_EQ(AsNobody([&] { return Write(ini, L"PortNumber", L"1234567890"); }), 0);
    EXPECT_EQ(Read(ini, L"PortNumber"), L"1234567890");
    umount2(disk.c_str(), MNT_DETACH);
}

TEST_F(ProfileTest, AWritersLeftoverCopiesAreRemovedButOtherFilesStay)
{
    // Temporaries of a writer killed before its rename, each a whole copy of the settings.
    for (const char *pszName : {".Lumidot.ini.a1B2c3", ".Lumidot.ini.ZZZZZZ", ".Lumidot.ini.keep",
                                ".Lumidot.ini.abc-ef", ".Other.ini.a1B2c3", "Lumidot.ini.a1B2c3"})
        std::ofstream(Dir() / pszName) << "[Setting]\nPortNumber=1\n";
    ASSERT_TRUE(Write(Ini(), L"PortNumber", L"2"));
    std::set<std::string> names;
    for (const auto &entry : fs::directory_iterator(Dir()))
        names.insert(entry.path().filename().string());
    EXPECT_EQ(names,
              (std::set<std::string>{"Lumidot.ini", ".Lumidot.ini.keep", ".Lumidot.ini.abc-ef",
                                     ".Other.ini.a1B2c3", "Lumidot.ini.a1B2c3"}));
}

TEST_F(ProfileTest, TheNewFileReachesTheDiskBeforeItIsRenamedIntoPlace)
{
    std::ofstream(Ini()) << "[Setting]\nPortNumber=2\n";
    s_calls.clear();
    s_bRecording = true;
    const bool bWritten = Write(Ini(), L"PortNumber", L"3");
    s_bRecording = false;
    ASSERT_TRUE(bWritten);
    // The temporary synced, renamed over the file, then the folder synced so the rename stays.
    ASSERT_EQ(s_calls.size(), 3u);
    const std::string strTemporary = s_calls[0].substr(sizeof "fsync " - 1);
    EXPECT_EQ(fs::path(strTemporary).parent_path(), Dir());
    EXPECT_EQ(s_calls[1], "rename " + strTemporary + " " + Ini().string());
    EXPECT_EQ(s_calls[2], "fsync " + Dir().string());
}

TEST_F(ProfileTest, TwoWritersLoseNoWriteAndNoReaderSeesADamagedFile)
{
    constexpr int kWrites = 200;
    auto writer = [&](const wchar_t *pszKey) {
        const pid_t pid = fork();
        if (pid == 0) {
            for (int i = 0; i < kWrites; ++i) {
                if (!Write(Ini(), pszKey, std::to_wstring(i)) ||
                    Read(Ini(), pszKey) != std::to_wstring(i))
                    _exit(1);
            }
            _exit(0);
        }
        return pid;
    };
    const pid_t first = writer(L"PortNumber");
    const pid_t second = writer(L"AutoConnect");

    // Every version of the file a reader meets is whole: the section, then whole key lines.
    const std::regex whole("(\\[Setting\\]\r\n((PortNumber|AutoConnect)=[0-9]+\r\n)*)?");
    int nDamaged = 0, nRunning = 2;
    while (nRunning > 0) {
        if (!std::regex_match(Text(Ini()), whole))
            ++nDamaged;
        nRunning = 0;
        for (pid_t pid : {first, second})
            nRunning += waitpid(pid, nullptr, WNOHANG) == 0 ? 1 : 0;
    }
    EXPECT_EQ(nDamaged, 0);
    int status = 0;
    for (pid_t pid : {first, second}) {
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a write was lost";
    }
    EXPECT_EQ(Read(Ini(), L"PortNumber"), std::to_wstring(kWrites - 1));
    EXPECT_EQ(Read(Ini(), L"AutoConnect"), std::to_wstring(kWrites - 1));
}

}  // namespace
