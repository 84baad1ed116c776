// The poll tick's three operations and the LED port on Linux.
#include "linux/system/Seam.h"

#include "core/Platform.h"
#include "linux/system/Ime.h"
#include "linux/system/SerialPort.h"
#include "linux/system/Ports.h"

#include <QString>

namespace {

ImeStatus *s_ime = nullptr;
std::function<void(int)> s_showTrayPreset;
SerialDevice s_ledDevice;

std::string toUtf8(const std::wstring &text) { return QString::fromStdWString(text).toStdString(); }
std::wstring fromUtf8(const std::string &text)
{
    return QString::fromStdString(text).toStdWString();
}

}  // namespace

void setSeamImeStatus(ImeStatus *ime) { s_ime = ime; }
void setSeamTrayPresetHandler(std::function<void(int)> show) { s_showTrayPreset = std::move(show); }
const SerialDevice &ledDevice() { return s_ledDevice; }

namespace sys {

std::optional<ImeReading> ReadImeState(bool)
{
    if (s_ime == nullptr)
        return ImeReading{};
    // IBus says the mode along with the state at no extra cost; fcitx5 cannot say it at all.
    const std::optional<ImeState> reading = s_ime->read();
    if (!reading)
        return std::nullopt;
    ImeReading result;
    result.nOpenStatus = reading->on ? 1 : 0;
    result.bNative = !reading->alphanumeric;
    return result;
}

void ShowTrayPreset(int nPreset)
{
    if (s_showTrayPreset)
        s_showTrayPreset(nPreset);
}

LineResult SetLedLines(bool bOn)
{
    switch (s_ledDevice.setLines(bOn)) {
    case SerialDevice::LineResult::Ok:
        return LineResult::Ok;
    case SerialDevice::LineResult::Gone:
        return LineResult::Gone;
    default:
        return LineResult::Failed;
    }
}

bool OpenLedPort(const std::wstring &strPort) { return s_ledDevice.open(toUtf8(strPort)); }
bool IsLedPortOpen() { return s_ledDevice.isOpen(); }
std::wstring LedPortName() { return s_ledDevice.isOpen() ? fromUtf8(s_ledDevice.path()) : L""; }
void CloseLedPort() { s_ledDevice.close(); }

// The device path is the port: Linux keeps it under PortDevice and leaves PortNumber alone.
std::wstring PortOfSettings(int, const std::wstring &strPortDevice) { return strPortDevice; }
void PortToSettings(const std::wstring &strPort, int &, std::wstring &strPortDevice)
{
    strPortDevice = strPort;
}
std::wstring PortDisplayName(const std::wstring &strPort)
{
    return fromUtf8(serialPortName(toUtf8(strPort)));
}
// The application matches udev's events to the configured or open port itself and names that.
std::wstring CanonicalPortName(const std::wstring &strName) { return strName; }

}  // namespace sys
