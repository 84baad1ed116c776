// Arbitrary bytes as the content of the settings file: reading must not crash, and every write must
// be one of the few edits a write may make, leaving all other lines byte for byte.
#include "core/ini/IniFile.h"
#include "core/Settings.h"

#include "core/Platform.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Settings.cpp wants these; the fuzzer never touches a file or a port.
std::wstring sys::GetIniPath() { return L"/nonexistent/Lumidot.ini"; }
std::wstring sys::PortOfSettings(int, const std::wstring&) { return L""; }
void sys::PortToSettings(const std::wstring&, int&, std::wstring&) {}
std::wstring sys::ReadPrivateProfile(const wchar_t*, const wchar_t*, const wchar_t* pszDefault,
                                     unsigned int, const wchar_t*)
{
    return pszDefault;
}
bool sys::WritePrivateProfile(const wchar_t*, const wchar_t*, const wchar_t*, const wchar_t*)
{
    return false;
}

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

bool IsLineEnd(char ch) { return ch == '\r' || ch == '\n'; }

// The length of the text of a line that starts at str's beginning, without its line end.
std::size_t TextLength(std::string_view str)
{
    std::size_t n = str.find_first_of("\r\n");
    return n == std::string_view::npos ? str.size() : n;
}

// Lines with their line ends (LF, CR LF or a lone CR), which are part of what must be kept.
std::vector<std::string_view> SplitLines(std::string_view str)
{
    std::vector<std::string_view> lines;
    while (!str.empty()) {
        std::size_t n = TextLength(str);
        if (n < str.size())
            n += str.compare(n, 2, "\r\n") == 0 ? 2 : 1;
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

// The name part of a key line: the text before its '=', or all of it when there is none.
std::string_view NameOf(std::string_view strLine)
{
    return strLine.substr(0, std::min(strLine.find('='), TextLength(strLine)));
}

// What an existing key line becomes: only the text after '=' and its blanks changes; a line
// without '=' gets one after the name.
std::string Replaced(std::string_view strLine, std::string_view strValue)
{
    std::size_t nEnd = TextLength(strLine);
    std::size_t nValue = strLine.find('=');
    std::string strPrefix;
    if (nValue < nEnd) {
        ++nValue;
        while (nValue < nEnd && IsBlank(strLine[nValue]))
            ++nValue;
        strPrefix = strLine.substr(0, nValue);
    } else {
        nValue = nEnd;
        while (nValue > 0 && IsBlank(strLine[nValue - 1]))
            --nValue;
        strPrefix = std::string(strLine.substr(0, nValue)) + "=";
    }
    return strPrefix.append(strValue).append(strLine.substr(nEnd));
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

    // New lines copy the first line end, but a lone CR must not run into an empty LF line after it.
    std::string strEol = "\r\n";
    if (!before.empty() && TextLength(before[0]) < before[0].size())
        strEol = before[0].substr(TextLength(before[0]));
    std::string strKeyEol = strEol;
    if (strEol == "\r" && nSuffix > 0 && after[after.size() - nSuffix].front() == '\n')
        strKeyEol = "\r\n";
    std::string strKeyLine = std::string(write.pszKey) + "=" + write.pszValue + strKeyEol;
    std::string strSectionLine = "[" + std::string(write.pszSection) + "]" + strEol;

    if (gone.empty() && added.empty())
        return;  // the key already held the value
    if (gone.size() == 1 && added.size() == 1) {
        Check(SameNameNoCase(NameOf(gone[0]), write.pszKey));
        Check(added[0] == Replaced(gone[0], write.pszValue));
        return;
    }
    // Otherwise lines were only added, after the one last line that had no line end of its own.
    std::size_t nFirst = 0;
    if (gone.size() == 1) {
        Check(nSuffix == 0 && !IsLineEnd(gone[0].back()) && !added.empty() &&
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
