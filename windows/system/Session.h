// The user's side of the Windows edition that its application asks of itself: which language to
// speak, and whether the input method in use calls for the alphanumeric option.
#pragma once

#include "windows/system/WinApi.h"

// The language of the menu, the dialogs and the texts: Japanese where Windows shows its own user
// interface in Japanese, English everywhere else. Windows' display language decides, not the
// regional format.
LANGID UiLanguage();

// Whether the settings dialog points at the alphanumeric option: it is off, and the window the
// user types into (ImeTargetWindow) has a Chinese or Korean input method. Those stay open in their English mode, so
// without the option the LED stays lit while the user types Latin letters.
bool NeedsAlnumOffHint(bool bAlnumOff);
