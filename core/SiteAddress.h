// Lumidot's web site. The host name is the one thing to change when the site moves.
#pragma once

#define LUMIDOT_SITE_HOST L"lumidot.example.jp"

inline const wchar_t* HomePageUrl() { return L"http://" LUMIDOT_SITE_HOST L"/hw/"; }
inline const wchar_t* HelpPageUrl()
{
    return L"http://" LUMIDOT_SITE_HOST L"/hw/ravar/lumidot/index.html";
}
