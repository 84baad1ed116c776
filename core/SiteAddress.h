// Lumidot's web site. The host name comes from CMake's LUMIDOT_SITE_HOST.
#pragma once

#include "version.h"

inline const wchar_t* HomePageUrl() { return L"http://" LUMIDOT_SITE_HOST L"/hw/"; }
inline const wchar_t* HelpPageUrl()
{
    return L"http://" LUMIDOT_SITE_HOST L"/hw/ravar/lumidot/index.html";
}
