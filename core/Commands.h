// The tray menu's commands: connect or disconnect the LED port, operation settings, about, exit.
#pragma once

#include "core/CommandHost.h"
#include "core/Texts.h"

#include <string>

// The first menu item's label for the current port state.
std::wstring ConnectMenuLabel();

// Only one command runs at a time: a second right-click or command while a command's dialog or
// question is showing would start a command inside the first (two connects could open the port
// twice; an exit inside a dialog would tear the program down under it).
bool IsCommandRunning();

// The user was told that the settings could not be saved: a command tells it once a run, not at
// every save that fails for the same reason.
extern bool g_bSaveFailureTold;

using Command = void (*)(ICommandHost& host);
// The command a tray menu item runs; nullptr for a separator.
Command CommandOf(texts::MenuCommand command);

void ConnectCommand(ICommandHost& host);
void SettingCommand(ICommandHost& host);
void AboutCommand(ICommandHost& host);
void ExitCommand(ICommandHost& host);
// The About box's help button: asks, then opens the help page unless the answer is No.
void HelpPageCommand(ICommandHost& host, const std::wstring& strHelpUrl);
