#include "core/Texts.h"

const wchar_t* texts::MenuLabel(MenuCommand command)
{
    for (const MenuItem& item : kTrayMenu)
        if (item.command == command && item.pszLabel != nullptr)
            return item.pszLabel;
    return L"";
}

std::wstring texts::Fill(const wchar_t* pszText, const std::wstring& strFirst,
                         const std::wstring& strSecond)
{
    const std::wstring* pArgs[] = {&strFirst, &strSecond};
    std::size_t nNext = 0;
    std::wstring strResult;
    for (const wchar_t* p = pszText; *p != L'\0'; ++p) {
        if (p[0] == L'%' && p[1] == L's' && nNext < 2) {
            strResult += *pArgs[nNext++];
            ++p;
        } else {
            strResult += *p;
        }
    }
    return strResult;
}
