#include "core/ini/IniFile.h"

namespace ini {

namespace {

constexpr std::size_t npos = std::string_view::npos;

bool IsBlank(char ch) { return ch == ' ' || ch == '\t' || ch == '\r' || ch == '\v' || ch == '\f'; }

std::string_view Trim(std::string_view str)
{
    while (!str.empty() && IsBlank(str.front()))
        str.remove_prefix(1);
    while (!str.empty() && IsBlank(str.back()))
        str.remove_suffix(1);
    return str;
}

char FoldCase(char ch) { return ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch - 'A' + 'a') : ch; }

bool EqualsNoCase(std::string_view strA, std::string_view strB)
{
    if (strA.size() != strB.size())
        return false;
    for (std::size_t i = 0; i < strA.size(); ++i)
        if (FoldCase(strA[i]) != FoldCase(strB[i]))
            return false;
    return true;
}

// One line: its text is [nBegin, nEnd), its line end [nEnd, nNext).
struct Line {
    std::size_t nBegin;
    std::size_t nEnd;
    std::size_t nNext;
};

Line LineAt(std::string_view strContent, std::size_t nBegin)
{
    std::size_t nEnd = strContent.find_first_of("\r\n", nBegin);
    if (nEnd == npos)
        return {nBegin, strContent.size(), strContent.size()};
    std::size_t nNext = nEnd + 1;
    if (strContent[nEnd] == '\r' && nNext < strContent.size() && strContent[nNext] == '\n')
        ++nNext;
    return {nBegin, nEnd, nNext};
}

enum class LineKind { Other, Section, Key };

struct ParsedLine {
    LineKind kind = LineKind::Other;
    std::string_view strName;
    bool bValue = false;     // key lines: whether there is an '=' at all
    std::size_t nValue = 0;  // key lines: offset in the file where the value (or the '=') goes
};

ParsedLine ParseLine(std::string_view strContent, const Line& line)
{
    std::string_view strText = strContent.substr(line.nBegin, line.nEnd - line.nBegin);
    std::size_t nStart = 0;
    // A file saved as UTF-8 by an editor may start with a byte-order mark; it is not part of the
    // first line's text.
    if (line.nBegin == 0 && strText.substr(0, 3) == "\xEF\xBB\xBF")
        nStart = 3;
    while (nStart < strText.size() && IsBlank(strText[nStart]))
        ++nStart;

    ParsedLine parsed;
    if (nStart == strText.size() || strText[nStart] == ';' || strText[nStart] == '#')
        return parsed;
    if (strText[nStart] == '[') {
        std::size_t nClose = strText.rfind(']');
        if (nClose != npos) {
            parsed.kind = LineKind::Section;
            parsed.strName = Trim(strText.substr(nStart + 1, nClose - nStart - 1));
            return parsed;
        }
        // Without a ']' the line is no header; Windows takes it for a key like any other line.
    }
    parsed.kind = LineKind::Key;
    std::size_t nEquals = strText.find('=', nStart);
    if (nEquals == npos) {
        parsed.strName = Trim(strText.substr(nStart));
        parsed.nValue = line.nBegin + nStart + parsed.strName.size();
        return parsed;
    }
    parsed.bValue = true;
    parsed.strName = Trim(strText.substr(nStart, nEquals - nStart));
    std::size_t nValue = nEquals + 1;
    while (nValue < strText.size() && IsBlank(strText[nValue]))
        ++nValue;
    parsed.nValue = line.nBegin + nValue;
    return parsed;
}

struct Location {
    bool bSection = false;
    std::size_t nInsert = 0;  // where a new key line goes: after the section's last key line
    bool bKey = false;
    bool bValue = false;     // the key's line has an '='
    std::size_t nValue = 0;  // the key's value text is [nValue, nValueEnd)
    std::size_t nValueEnd = 0;
};

Location Find(std::string_view strContent, std::string_view strSection, std::string_view strKey)
{
    strSection = Trim(strSection);
    strKey = Trim(strKey);
    Location loc;
    bool bInside = false;
    for (std::size_t nPos = 0; nPos < strContent.size();) {
        Line line = LineAt(strContent, nPos);
        nPos = line.nNext;
        ParsedLine parsed = ParseLine(strContent, line);
        if (parsed.kind == LineKind::Section) {
            if (bInside)
                break;
            if (!loc.bSection && EqualsNoCase(parsed.strName, strSection)) {
                bInside = loc.bSection = true;
                loc.nInsert = line.nNext;
            }
        } else if (bInside && parsed.kind == LineKind::Key) {
            if (EqualsNoCase(parsed.strName, strKey)) {
                loc.bKey = true;
                loc.bValue = parsed.bValue;
                loc.nValue = parsed.nValue;
                loc.nValueEnd = line.nEnd;
                break;
            }
            loc.nInsert = line.nNext;
        }
    }
    return loc;
}

bool IsLineEnd(char ch) { return ch == '\r' || ch == '\n'; }

std::string_view LineEndOf(std::string_view strContent)
{
    std::size_t nEnd = strContent.find_first_of("\r\n");
    if (nEnd == npos)
        return "\r\n";
    if (strContent[nEnd] == '\n')
        return "\n";
    return nEnd + 1 < strContent.size() && strContent[nEnd + 1] == '\n' ? "\r\n" : "\r";
}

}  // namespace

std::optional<std::string> ReadValue(std::string_view strContent, std::string_view strSection,
                                     std::string_view strKey)
{
    Location loc = Find(strContent, strSection, strKey);
    if (!loc.bKey || !loc.bValue)
        return std::nullopt;
    std::string_view strValue = Trim(strContent.substr(loc.nValue, loc.nValueEnd - loc.nValue));
    if (strValue.size() >= 2 && (strValue.front() == '"' || strValue.front() == '\'') &&
        strValue.back() == strValue.front())
        strValue = strValue.substr(1, strValue.size() - 2);
    return std::string(strValue);
}

std::string WriteValue(std::string_view strContent, std::string_view strSection,
                       std::string_view strKey, std::string_view strValue)
{
    Location loc = Find(strContent, strSection, strKey);
    std::string strOut;
    strOut.reserve(strContent.size() + strSection.size() + strKey.size() + strValue.size() + 8);

    if (loc.bKey) {
        strOut.append(strContent.substr(0, loc.nValue));
        if (!loc.bValue)
            strOut.append("=");
        strOut.append(strValue);
        strOut.append(strContent.substr(loc.nValueEnd));
        return strOut;
    }

    std::string_view strEol = LineEndOf(strContent);
    std::size_t nInsert = loc.bSection ? loc.nInsert : strContent.size();
    // A lone CR right before an empty LF line would join it into one CR LF, losing that line.
    if (strEol == "\r" && nInsert < strContent.size() && strContent[nInsert] == '\n')
        strEol = "\r\n";
    strOut.append(strContent.substr(0, nInsert));
    // The line we follow may be the file's last one, without a line end of its own.
    if (!strOut.empty() && !IsLineEnd(strOut.back()))
        strOut.append(strEol);
    if (!loc.bSection) {
        strOut.append("[").append(Trim(strSection)).append("]").append(strEol);
    }
    strOut.append(Trim(strKey)).append("=").append(strValue).append(strEol);
    strOut.append(strContent.substr(nInsert));
    return strOut;
}

}  // namespace ini
