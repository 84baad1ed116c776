#include "core/ini/Utf8.h"

#include <cstdint>

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
