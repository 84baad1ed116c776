// Where the Linux edition keeps its files.
#pragma once

#include <QString>

// $XDG_CONFIG_HOME, or ~/.config when it is unset or not absolute, as the XDG rules say.
QString configHome();
