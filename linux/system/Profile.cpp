// The settings file on Linux, $XDG_CONFIG_HOME/lumidot/Lumidot.ini, and the private-profile calls
// Linux has none of: real files, read and edited by the INI rules of core/ini. Texts are UTF-8 in
// the file and UTF-32 wchar_t here. Only what the program uses is supported: reading and writing
// one value. The Windows forms that list or delete names (a null section, key or value) are not:
// reading gives the default, writing fails.
#include "linux/system/Profile.h"

#include "core/Platform.h"
#include "core/ini/IniFile.h"
#include "core/ini/Utf8.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>

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

// Writes beside the file, then puts the new one in its place, so a crash or a full disk in the
// middle leaves the old settings whole. A file that is a symbolic link (kept with one's dotfiles)
// is written where it leads. The folder is made when missing: a fresh account has no
// ~/.config/lumidot yet.
bool WriteFile(const std::string &strLinkPath, const std::string &strContent)
{
    std::error_code error;
    std::filesystem::path path(strLinkPath);
    if (std::filesystem::is_symlink(path, error))
        path = std::filesystem::weakly_canonical(path, error);
    if (path.has_parent_path())
        std::filesystem::create_directories(path.parent_path(), error);
    const std::string strPath = path.string();
    const std::string strTemporary = strPath + ".new";
    FilePtr pFile(std::fopen(strTemporary.c_str(), "wb"));
    if (!pFile)
        return false;
    bool bWritten =
        std::fwrite(strContent.data(), 1, strContent.size(), pFile.get()) == strContent.size();
    bWritten = std::fclose(pFile.release()) == 0 && bWritten;
    if (bWritten && std::rename(strTemporary.c_str(), strPath.c_str()) == 0)
        return true;
    std::remove(strTemporary.c_str());
    return false;
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
    std::string strPath = ToUtf8(pszPath);
    // A file that exists but can't be read is left alone rather than replaced by one key.
    std::optional<std::string> strContent = ReadFile(strPath);
    if (!strContent)
        return false;
    std::string strUpdated =
        ini::WriteValue(*strContent, ToUtf8(pszSection), ToUtf8(pszKey), ToUtf8(pszValue));
    if (strUpdated == *strContent)
        return true;
    return WriteFile(strPath, strUpdated);
}

}  // namespace sys
