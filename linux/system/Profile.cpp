// The settings file on Linux, $XDG_CONFIG_HOME/lumidot/Lumidot.ini, and the private-profile calls
// Linux has none of: real files, read and edited by the INI rules of core/ini. Texts are UTF-8 in
// the file and UTF-32 wchar_t here. Only what the program uses is supported: reading and writing
// one value. The Windows forms that list or delete names (a null section, key or value) are not:
// reading gives the default, writing fails.
#include "linux/system/Profile.h"

#include "core/Platform.h"
#include "core/Resource.h"
#include "core/ini/IniFile.h"
#include "core/ini/Utf8.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>

namespace {

struct FileCloser {
    void operator()(std::FILE *pFile) const { std::fclose(pFile); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// The file's bytes; an empty text when it does not exist, nullopt when it exists but can't be read.
std::optional<std::string> ReadFile(const std::string &strPath)
{
    FilePtr pFile(std::fopen(strPath.c_str(), "rb"));
    if (!pFile)
        return errno == ENOENT ? std::optional<std::string>(std::string()) : std::nullopt;
    std::string strContent;
    char buffer[16384];
    std::size_t cb;
    while ((cb = std::fread(buffer, 1, sizeof buffer, pFile.get())) > 0)
        strContent.append(buffer, cb);
    if (std::ferror(pFile.get()))
        return std::nullopt;
    return strContent;
}

// Where a write goes: to the end of a chain of symbolic links (a settings file kept with one's
// dotfiles and linked in), even when that end does not exist yet.
std::string WriteTarget(std::string strPath)
{
    for (int nHops = 0; nHops < 40; ++nHops) {
        struct stat st {};
        if (lstat(strPath.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            break;
        char target[PATH_MAX];
        const ssize_t cb = readlink(strPath.c_str(), target, sizeof target - 1);
        if (cb <= 0)
            break;
        std::string strTarget(target, static_cast<std::size_t>(cb));
        if (strTarget[0] != '/')
            strTarget = std::filesystem::path(strPath).parent_path() / strTarget;
        strPath = strTarget;
    }
    return strPath;
}

bool WriteAll(int fd, const std::string &strContent)
{
    std::size_t nDone = 0;
    while (nDone < strContent.size()) {
        const ssize_t cb = ::write(fd, strContent.data() + nDone, strContent.size() - nDone);
        if (cb < 0 && errno == EINTR)
            continue;
        if (cb <= 0)
            return false;
        nDone += static_cast<std::size_t>(cb);
    }
    return true;
}

using CFd = CResource<int, ::close, -1>;

// Holds the folder locked while one writer reads, edits and replaces the file, so that two
// programs (or two copies of Lumidot) writing different keys never lose each other's. Readers do
// not lock: they see the old file or the new one, never half of one.
class CFolderLock {
public:
    explicit CFolderLock(const std::string &strFolder)
        : m_fd(::open(strFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC))
    {
        // Without the folder's fd there is nothing to lock with; the write still goes ahead.
        if (!m_fd)
            return;
        int nResult;
        while ((nResult = flock(m_fd.Get(), LOCK_EX)) != 0 && errno == EINTR) {
        }
        m_bHeld = nResult == 0;
    }
    bool Held() const { return m_bHeld; }
    // The folder, for syncing it after the rename.
    int FolderFd() const { return m_fd.Get(); }

private:
    CFd m_fd;  // closing it releases the lock
    bool m_bHeld = false;
};

// The file may be replaced: it is missing, or writable as Windows sees it (a file with no write
// permission at all is read-only even to root, as Windows refuses to write a read-only file).
bool MayWrite(const std::string &strPath, const struct stat *pExisting)
{
    if (pExisting == nullptr)
        return true;
    return (pExisting->st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0 &&
           access(strPath.c_str(), W_OK) == 0;
}

// A new file gets the mode a new file gets here (0666 less the umask); a replaced one keeps the
// old one's mode and owner.
void TakeOver(int fd, const struct stat *pExisting)
{
    if (pExisting != nullptr) {
        fchmod(fd, pExisting->st_mode & 07777);
        if (geteuid() == 0 && fchown(fd, pExisting->st_uid, pExisting->st_gid) != 0) {
        }
        return;
    }
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
}

// Overwrites the file where it is, for a folder we may not create the temporary in. The new size
// is reserved before a byte changes, so that a full disk refuses the write while the old settings
// are still whole; only then is the file written over and cut to the new length.
bool WriteInPlace(const std::string &strPath, const std::string &strContent)
{
    CFd fd(::open(strPath.c_str(), O_WRONLY | O_CLOEXEC));
    if (!fd)
        return false;
    const off_t cbNew = static_cast<off_t>(strContent.size());
    if (cbNew > 0 && posix_fallocate(fd.Get(), 0, cbNew) != 0)
        return false;
    return WriteAll(fd.Get(), strContent) && ftruncate(fd.Get(), cbNew) == 0 &&
           fsync(fd.Get()) == 0;
}

// Removes the temporaries of writers that died between writing one and renaming it, each a whole
// copy of the settings. Only under the folder lock: every live writer holds it while its
// temporary exists.
void RemoveLeftovers(const std::string &strFolder, const std::string &strName)
{
    const std::string strPrefix = "." + strName + ".";
    std::error_code error;
    for (const auto &entry : std::filesystem::directory_iterator(strFolder, error)) {
        const std::string strEntry = entry.path().filename().string();
        // mkostemp's six characters from [A-Za-z0-9].
        const bool bTemporary =
            strEntry.size() == strPrefix.size() + 6 &&
            strEntry.compare(0, strPrefix.size(), strPrefix) == 0 &&
            std::all_of(strEntry.begin() + static_cast<std::ptrdiff_t>(strPrefix.size()),
                        strEntry.end(), [](unsigned char c) { return std::isalnum(c) != 0; });
        if (bTemporary && entry.is_regular_file(error) && !entry.is_symlink(error))
            unlink(entry.path().c_str());
    }
}

// Puts strContent in place of the file: written beside it under a name no other writer uses,
// synced, renamed over it and the folder synced, so that a crash, a full disk or a second writer
// in the middle leaves the old settings whole. A folder we may not write in (a writable file in a
// read-only folder) leaves only writing the file in place.
bool ReplaceFile(const std::string &strPath, const std::string &strContent,
                 const struct stat *pExisting, int folderFd)
{
    const std::filesystem::path path(strPath);
    std::string strTemporary =
        (path.parent_path() / ("." + path.filename().string() + ".XXXXXX")).string();
    CFd fd(mkostemp(strTemporary.data(), O_CLOEXEC));
    if (!fd) {
        if (pExisting == nullptr || (errno != EACCES && errno != EROFS && errno != EPERM))
            return false;
        return WriteInPlace(strPath, strContent);
    }
    TakeOver(fd.Get(), pExisting);
    if (!WriteAll(fd.Get(), strContent) || fsync(fd.Get()) != 0 || ::close(fd.Detach()) != 0 ||
        std::rename(strTemporary.c_str(), strPath.c_str()) != 0) {
        unlink(strTemporary.c_str());
        return false;
    }
    if (folderFd >= 0)
        fsync(folderFd);
    return true;
}

}  // namespace

QString configHome()
{
    const QString dir = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!dir.isEmpty() && QDir::isAbsolutePath(dir))
        return dir;
    return QDir::homePath() + QStringLiteral("/.config");
}

namespace sys {

std::wstring GetIniPath()
{
    return (configHome() + QStringLiteral("/lumidot/Lumidot.ini")).toStdWString();
}

std::wstring ReadPrivateProfile(const wchar_t *pszSection, const wchar_t *pszKey,
                                const wchar_t *pszDefault, unsigned int cchBuffer,
                                const wchar_t *pszPath)
{
    if (cchBuffer == 0)
        return std::wstring();
    std::wstring strResult = pszDefault ? pszDefault : L"";
    if (pszSection && pszKey && pszPath) {
        std::optional<std::string> strContent = ReadFile(ToUtf8(pszPath));
        std::optional<std::string> strValue;
        if (strContent)
            strValue = ini::ReadValue(*strContent, ToUtf8(pszSection), ToUtf8(pszKey));
        if (strValue)
            strResult = FromUtf8(*strValue);
    }
    if (strResult.size() > cchBuffer - 1)
        strResult.resize(cchBuffer - 1);
    return strResult;
}

bool WritePrivateProfile(const wchar_t *pszSection, const wchar_t *pszKey, const wchar_t *pszValue,
                         const wchar_t *pszPath)
{
    if (!pszSection || !pszKey || !pszValue || !pszPath)
        return false;
    const std::string strPath = WriteTarget(ToUtf8(pszPath));
    // A fresh account has no ~/.config/lumidot yet.
    const std::filesystem::path path(strPath);
    const std::string strFolder = path.has_parent_path() ? path.parent_path().string() : ".";
    std::error_code error;
    std::filesystem::create_directories(strFolder, error);
    const CFolderLock lock(strFolder);
    if (lock.Held())
        RemoveLeftovers(strFolder, path.filename().string());

    // A file that exists but can't be read is left alone rather than replaced by one key.
    const std::optional<std::string> strContent = ReadFile(strPath);
    if (!strContent)
        return false;
    const std::string strUpdated =
        ini::WriteValue(*strContent, ToUtf8(pszSection), ToUtf8(pszKey), ToUtf8(pszValue));
    if (strUpdated == *strContent)
        return true;
    struct stat existing {};
    const bool bExists = stat(strPath.c_str(), &existing) == 0;
    if (!MayWrite(strPath, bExists ? &existing : nullptr))
        return false;
    return ReplaceFile(strPath, strUpdated, bExists ? &existing : nullptr, lock.FolderFd());
}

}  // namespace sys
