// The private-profile calls for systems that have none: real files, read and edited by the
// portable INI rules of settings/IniFile. Texts are UTF-8 in the file and UTF-32 wchar_t here.
// Only what the program uses is supported: reading and writing one value. The Windows forms that
// list or delete names (a null section, key or value) are not: reading gives the default, writing
// fails.
#include "platform/Platform.h"

#include "settings/IniFile.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>

namespace {

std::string ToUtf8(const std::wstring& strWide)
{
    std::string strOut;
    for (wchar_t ch : strWide) {
        auto nCode = static_cast<std::uint32_t>(ch);
        if (nCode > 0x10FFFF || (nCode >= 0xD800 && nCode <= 0xDFFF))
            nCode = 0xFFFD;
        if (nCode < 0x80) {
            strOut += static_cast<char>(nCode);
        } else if (nCode < 0x800) {
            strOut += static_cast<char>(0xC0 | (nCode >> 6));
            strOut += static_cast<char>(0x80 | (nCode & 0x3F));
        } else if (nCode < 0x10000) {
            strOut += static_cast<char>(0xE0 | (nCode >> 12));
            strOut += static_cast<char>(0x80 | ((nCode >> 6) & 0x3F));
            strOut += static_cast<char>(0x80 | (nCode & 0x3F));
        } else {
            strOut += static_cast<char>(0xF0 | (nCode >> 18));
            strOut += static_cast<char>(0x80 | ((nCode >> 12) & 0x3F));
            strOut += static_cast<char>(0x80 | ((nCode >> 6) & 0x3F));
            strOut += static_cast<char>(0x80 | (nCode & 0x3F));
        }
    }
    return strOut;
}

// Malformed bytes, which a hand-edited file may well hold, each become U+FFFD.
std::wstring FromUtf8(const std::string& strUtf8)
{
    std::wstring strOut;
    std::size_t i = 0;
    while (i < strUtf8.size()) {
        auto nLead = static_cast<unsigned char>(strUtf8[i]);
        std::size_t nLength = nLead < 0x80                     ? 1
                              : nLead >= 0xC2 && nLead <= 0xDF ? 2
                              : nLead >= 0xE0 && nLead <= 0xEF ? 3
                              : nLead >= 0xF0 && nLead <= 0xF4 ? 4
                                                               : 0;
        std::uint32_t nCode = nLength == 1   ? nLead
                              : nLength == 2 ? nLead & 0x1Fu
                              : nLength == 3 ? nLead & 0x0Fu
                                             : nLead & 0x07u;
        bool bValid = nLength != 0 && i + nLength <= strUtf8.size();
        for (std::size_t k = 1; bValid && k < nLength; ++k) {
            auto nByte = static_cast<unsigned char>(strUtf8[i + k]);
            bValid = (nByte & 0xC0) == 0x80;
            nCode = (nCode << 6) | (nByte & 0x3Fu);
        }
        // Overlong forms, surrogates and code points past U+10FFFF are malformed too.
        if (bValid && ((nLength == 3 && (nCode < 0x800 || (nCode >= 0xD800 && nCode <= 0xDFFF))) ||
                       (nLength == 4 && (nCode < 0x10000 || nCode > 0x10FFFF))))
            bValid = false;
        strOut += bValid ? static_cast<wchar_t>(nCode) : L'\xFFFD';
        i += bValid ? nLength : 1;
    }
    return strOut;
}

struct FileCloser {
    void operator()(std::FILE* pFile) const { std::fclose(pFile); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// The file's bytes; an empty text when it does not exist, nullopt when it exists but can't be read.
std::optional<std::string> ReadFile(const std::string& strPath)
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

bool WriteFile(const std::string& strPath, const std::string& strContent)
{
    FilePtr pFile(std::fopen(strPath.c_str(), "wb"));
    if (!pFile)
        return false;
    bool bWritten =
        std::fwrite(strContent.data(), 1, strContent.size(), pFile.get()) == strContent.size();
    return std::fclose(pFile.release()) == 0 && bWritten;
}

}  // namespace

namespace sys {

std::wstring GetPrivateProfileString(const wchar_t* pszSection, const wchar_t* pszKey,
                                     const wchar_t* pszDefault, DWORD cchBuffer,
                                     const wchar_t* pszPath)
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

BOOL WritePrivateProfileString(const wchar_t* pszSection, const wchar_t* pszKey,
                               const wchar_t* pszValue, const wchar_t* pszPath)
{
    if (!pszSection || !pszKey || !pszValue || !pszPath)
        return FALSE;
    std::string strPath = ToUtf8(pszPath);
    // A file that exists but can't be read is left alone rather than replaced by one key.
    std::optional<std::string> strContent = ReadFile(strPath);
    if (!strContent)
        return FALSE;
    std::string strUpdated =
        ini::WriteValue(*strContent, ToUtf8(pszSection), ToUtf8(pszKey), ToUtf8(pszValue));
    if (strUpdated == *strContent)
        return TRUE;
    return WriteFile(strPath, strUpdated) ? TRUE : FALSE;
}

}  // namespace sys
