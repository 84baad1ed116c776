// Lumidot's version, in one place for the version resource and the About box.
#pragma once

#define LUMIDOT_VERSION_NUMBERS 1,0,0,1
#define LUMIDOT_VERSION_STRING "1.0.0.1"
// What the About box shows: major.minor of the same version.
#define LUMIDOT_ABOUT_VERSION L"1.00"
