#include "windows/system/Ports.h"

#include "core/Platform.h"
#include "windows/system/Win32Calls.h"

#include <algorithm>
#include <climits>
#include <cwctype>
#include <optional>

namespace {

const wchar_t kDeviceNamespace[] = L"\\\\.\\";

// The text after "COM" (and an optional "\\.\" before it), or nullptr when strPort is no COM name.
const wchar_t* AfterCom(const std::wstring& strPort)
{
    const wchar_t* p = strPort.c_str();
    if (strPort.compare(0, 4, kDeviceNamespace) == 0)
        p += 4;
    if (std::towupper(p[0]) != L'C' || std::towupper(p[1]) != L'O' || std::towupper(p[2]) != L'M')
        return nullptr;
    return p + 3;
}

// The dialogs' templates list COM1 to COM20.
constexpr int kListedAlways = 20;

// The number of a port the system names (a device notification, the serial-port map, a device's
// PortName): plain digits, and no COM number Windows assigns is above 255; 0 for anything else.
int RealPortNumber(const std::wstring& strName)
{
    const wchar_t* p = AfterCom(strName);
    if (p == nullptr || *p < L'0' || *p > L'9')
        return 0;
    const int nNumber = ComPortNumber(strName);
    return nNumber >= 1 && nNumber <= 255 ? nNumber : 0;
}

// What Device Manager shows for the device instance under strKey: its FriendlyName, or else its
// DeviceDesc, which since Windows 7 may be stored as "@oem12.inf,%desc%;USB Serial Port" with the
// text itself after the semicolon.
std::wstring DeviceName(const std::wstring& strKey)
{
    if (std::optional<std::wstring> strName =
            win32::RegGetMachineString(strKey.c_str(), L"FriendlyName"))
        if (!strName->empty())
            return *strName;
    std::wstring strDesc =
        win32::RegGetMachineString(strKey.c_str(), L"DeviceDesc").value_or(std::wstring());
    if (!strDesc.empty() && strDesc[0] == L'@') {
        const std::size_t nSemicolon = strDesc.rfind(L';');
        strDesc = nSemicolon == std::wstring::npos ? L"" : strDesc.substr(nSemicolon + 1);
    }
    return strDesc;
}

}  // namespace

std::wstring ComPortName(int nNumber) { return L"COM" + std::to_wstring(nNumber); }

int ComPortNumber(const std::wstring& strPort)
{
    const wchar_t* p = AfterCom(strPort);
    if (p == nullptr)
        return 0;
    const bool bNegative = *p == L'-';
    if (bNegative)
        ++p;
    // Made from an int, so it fits one; anything longer saturates instead of overflowing.
    long long nValue = 0;
    const wchar_t* pDigits = p;
    for (; *p >= L'0' && *p <= L'9'; ++p)
        nValue = nValue > INT_MAX ? nValue : nValue * 10 + (*p - L'0');
    if (p == pDigits || *p != L'\0')
        return 0;
    if (bNegative)
        return nValue > static_cast<long long>(INT_MAX) + 1 ? INT_MIN : static_cast<int>(-nValue);
    return nValue > INT_MAX ? INT_MAX : static_cast<int>(nValue);
}

CComPortList::CComPortList(const std::vector<int>& existing, std::map<int, std::wstring> names,
                           const std::wstring& strConfigured)
    : m_names(std::move(names))
{
    for (int nNumber = 1; nNumber <= kListedAlways; ++nNumber)
        m_numbers.push_back(nNumber);
    std::vector<int> above;
    for (int nNumber : existing)
        if (nNumber > kListedAlways)
            above.push_back(nNumber);
    const int nConfigured = RealPortNumber(strConfigured);
    if (nConfigured > kListedAlways &&
        std::find(above.begin(), above.end(), nConfigured) == above.end()) {
        m_nUnplugged = nConfigured;
        above.push_back(nConfigured);
    }
    std::sort(above.begin(), above.end());
    above.erase(std::unique(above.begin(), above.end()), above.end());
    m_numbers.insert(m_numbers.end(), above.begin(), above.end());
}

CComPortList CComPortList::Read(const std::wstring& strConfigured)
{
    return CComPortList(ReadExistingComPorts(), ReadComPortDeviceNames(), strConfigured);
}

int CComPortList::IndexOf(const std::wstring& strPort) const
{
    const auto it = std::find(m_numbers.begin(), m_numbers.end(), ComPortNumber(strPort));
    return it == m_numbers.end() ? -1 : static_cast<int>(it - m_numbers.begin());
}

std::wstring CComPortList::PortAt(int nIndex) const
{
    return nIndex >= 0 && nIndex < Count() ? ComPortName(m_numbers[nIndex]) : L"";
}

std::wstring CComPortList::DeviceNameAt(int nIndex) const
{
    if (nIndex < 0 || nIndex >= Count())
        return L"";
    const auto it = m_names.find(m_numbers[nIndex]);
    return it == m_names.end() ? L"" : it->second;
}

bool CComPortList::IsUnpluggedAt(int nIndex) const
{
    return nIndex >= 0 && nIndex < Count() && m_numbers[nIndex] == m_nUnplugged;
}

std::vector<int> ReadExistingComPorts()
{
    std::vector<int> numbers;
    for (const std::wstring& strPort : win32::RegMachineStrings(L"HARDWARE\\DEVICEMAP\\SERIALCOMM"))
        if (const int nNumber = RealPortNumber(strPort))
            numbers.push_back(nNumber);
    return numbers;
}

std::map<int, std::wstring> ReadComPortDeviceNames()
{
    const std::wstring strEnum = L"SYSTEM\\CurrentControlSet\\Enum";
    std::map<int, std::wstring> names;
    // Enumerator (USB, FTDIBUS, ACPI...), then device, then instance.
    for (const std::wstring& strBus : win32::RegMachineSubkeys(strEnum.c_str())) {
        const std::wstring strBusKey = strEnum + L"\\" + strBus;
        for (const std::wstring& strDevice : win32::RegMachineSubkeys(strBusKey.c_str())) {
            const std::wstring strDeviceKey = strBusKey + L"\\" + strDevice;
            for (const std::wstring& strInstance : win32::RegMachineSubkeys(strDeviceKey.c_str())) {
                const std::wstring strKey = strDeviceKey + L"\\" + strInstance;
                const std::optional<std::wstring> strPort = win32::RegGetMachineString(
                    (strKey + L"\\Device Parameters").c_str(), L"PortName");
                const int nNumber = strPort ? RealPortNumber(*strPort) : 0;
                if (nNumber == 0 || names.count(nNumber) != 0)
                    continue;
                std::wstring strName = DeviceName(strKey);
                if (!strName.empty())
                    names.emplace(nNumber, std::move(strName));
            }
        }
    }
    return names;
}

namespace sys {

std::wstring PortOfSettings(int nPortNumber, const std::wstring&)
{
    return ComPortName(nPortNumber);
}

void PortToSettings(const std::wstring& strPort, int& nPortNumber, std::wstring&)
{
    nPortNumber = ComPortNumber(strPort);
}

std::wstring PortDisplayName(const std::wstring& strPort) { return strPort; }

std::wstring CanonicalPortName(const std::wstring& strName)
{
    const int nNumber = RealPortNumber(strName);
    return nNumber != 0 ? ComPortName(nNumber) : L"";
}

}  // namespace sys
