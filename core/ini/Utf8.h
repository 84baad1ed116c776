// UTF-8 to and from wchar_t text, for the builds without Windows: file names and INI values are
// UTF-8 on disk there.
#pragma once

#include <string>

std::string ToUtf8(const std::wstring& strWide);
// Malformed bytes, which a hand-edited file may well hold, each become U+FFFD.
std::wstring FromUtf8(const std::string& strUtf8);
