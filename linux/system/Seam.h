// What the Linux side of core/Platform.h needs from the application: it reads the input
// method through the application's ImeStatus and shows the lamp through its tray icon. The
// application hands both over before start-up.
#pragma once

#include <functional>

class ImeStatus;
class SerialDevice;

void setSeamImeStatus(ImeStatus *ime);
void setSeamTrayPresetHandler(std::function<void(int)> show);

// The LED port's device, for matching udev's removal events to it.
const SerialDevice &ledDevice();
