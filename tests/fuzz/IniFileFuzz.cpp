// Arbitrary bytes as the content of the settings file: reading must not crash, and every write must
// be one of the few edits a write may make, leaving all other lines byte for byte.
#include "settings/IniFile.h"
#include "settings/Settings.h"

#include "platform/Platform.h"

#include <cctype>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sys {
// Settings.cpp wants one; the fuzzer never touches a file.
std::wstring GetModuleFileName() { return L"/nonexistent/Lumidot.exe"; }
}  // namespace sys

namespace {

struct Write {
    const char* pszSection;
    const char* pszKey;
    const char* pszValue;
};

const Write kWrites[] = {
    {"Setting", "PortNumber", "7"},
    {"Setting", "UpdateTime", "-3"},
    {"Setting", "AutoConnect", "2147483647"},
    {"setting", "PORTNUMBER", "0"},
    {"My Section", "Key", "a b"},
    {"Other", "PortNumber", "1"},
};

void Check(bool bCondition)
{
    if (!bCondition)
        std::abort();
}

// Lines with their line ends, which are part of what must be kept.
std::vector<std::string_view> SplitLines(std::string_view str)
{
    std::vector<std::string_view> lines;
    while (!str.empty()) {
        std::size_t n = str.find('\n');
        n = n == std::string_view::npos ? str.size() : n + 1;
        lines.push_back(str.substr(0, n));
        str.remove_prefix(n);
    }
    return lines;
}

bool IsBlank(char ch) { return ch == ' ' || ch == '\t' || ch == '\r' || ch == '\v' || ch == '\f'; }

bool SameNameNoCase(std::string_view strText, std::string_view strName)
{
    while (!strText.empty() && IsBlank(strText.front()))
        strText.remove_prefix(1);
    while (!strText.empty() && IsBlank(strText.back()))
        strText.remove_suffix(1);
    if (strText.size() != strName.size())
        return false;
    for (std::size_t i = 0; i < strName.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(strText[i])) !=
            std::tolower(static_cast<unsigned char>(strName[i])))
            return false;
    return true;
}

// What the value of an existing key line becomes: only the text after '=' and its blanks changes.
std::string Replaced(std::string_view strLine, std::string_view strValue)
{
    std::size_t nEnd = strLine.size();
    if (nEnd > 0 && strLine[nEnd - 1] == '\n')
        --nEnd;
    if (nEnd > 0 && strLine[nEnd - 1] == '\r' && nEnd < strLine.size())
        --nEnd;
    std::size_t nValue = strLine.find('=') + 1;
    while (nValue < nEnd && IsBlank(strLine[nValue]))
        ++nValue;
    return std::string(strLine.substr(0, nValue)).append(strValue).append(strLine.substr(nEnd));
}

void CheckWrite(std::string_view strBefore, std::string_view strAfter, const Write& write)
{
    std::vector<std::string_view> before = SplitLines(strBefore), after = SplitLines(strAfter);
    std::size_t nPrefix = 0;
    while (nPrefix < before.size() && nPrefix < after.size() && before[nPrefix] == after[nPrefix])
        ++nPrefix;
    std::size_t nSuffix = 0;
    while (nPrefix + nSuffix < before.size() && nPrefix + nSuffix < after.size() &&
           before[before.size() - 1 - nSuffix] == after[after.size() - 1 - nSuffix])
        ++nSuffix;
    std::vector<std::string_view> gone(before.begin() + nPrefix, before.end() - nSuffix);
    std::vector<std::string_view> added(after.begin() + nPrefix, after.end() - nSuffix);

    std::size_t nNewLine = strBefore.find('\n');
    std::string strEol =
        nNewLine != std::string_view::npos && (nNewLine == 0 || strBefore[nNewLine - 1] != '\r')
            ? "\n"
            : "\r\n";
    std::string strKeyLine = std::string(write.pszKey) + "=" + write.pszValue + strEol;
    std::string strSectionLine = "[" + std::string(write.pszSection) + "]" + strEol;

    if (gone.empty() && added.empty())
        return;  // the key already held the value
    if (gone.size() == 1 && added.size() == 1) {
        std::size_t nEquals = gone[0].find('=');
        Check(nEquals != std::string_view::npos &&
              SameNameNoCase(gone[0].substr(0, nEquals), write.pszKey));
        Check(added[0] == Replaced(gone[0], write.pszValue));
        return;
    }
    // Otherwise lines were only added, after the one last line that had no line end of its own.
    std::size_t nFirst = 0;
    if (gone.size() == 1) {
        Check(nSuffix == 0 && gone[0].back() != '\n' && !added.empty() &&
              added[0] == std::string(gone[0]) + strEol);
        nFirst = 1;
    } else {
        Check(gone.empty());
    }
    std::size_t nNew = added.size() - nFirst;
    Check((nNew == 1 && added[nFirst] == strKeyLine) ||
          (nNew == 2 && nSuffix == 0 && added[nFirst] == strSectionLine &&
           added[nFirst + 1] == strKeyLine));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t cbData)
{
    std::string strContent(reinterpret_cast<const char*>(pData), cbData);

    for (const char* pszKey : {"PortNumber", "UpdateTime", "AutoConnect"}) {
        std::optional<std::string> strValue = ini::ReadValue(strContent, "Setting", pszKey);
        if (!strValue)
            continue;
        // The number rule is atoi's, with strtoll's saturation narrowed to int.
        std::wstring strWide;
        for (char ch : *strValue)
            strWide += static_cast<wchar_t>(static_cast<unsigned char>(ch));
        long long nExpected = std::strtoll(strValue->c_str(), nullptr, 10);
        nExpected = nExpected > INT_MAX ? INT_MAX : nExpected < INT_MIN ? INT_MIN : nExpected;
        Check(ParseSettingValue(strWide) == nExpected);
    }

    for (const Write& write : kWrites) {
        std::string strAfter =
            ini::WriteValue(strContent, write.pszSection, write.pszKey, write.pszValue);
        CheckWrite(strContent, strAfter, write);
        Check(ini::ReadValue(strAfter, write.pszSection, write.pszKey) ==
              std::string(write.pszValue));
        Check(ini::WriteValue(strAfter, write.pszSection, write.pszKey, write.pszValue) ==
              strAfter);
        strContent = std::move(strAfter);
    }
    return 0;
}
