#include "linux/system/Ports.h"

#include "core/Platform.h"

#include <QString>

#include <algorithm>
#include <cctype>
#include <dirent.h>
#include <set>
#include <sys/stat.h>

namespace {

bool isDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

// Orders runs of digits by their value, everything else by character.
bool naturalLess(const std::string &a, const std::string &b)
{
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            size_t iEnd = i, jEnd = j;
            while (iEnd < a.size() && isDigit(a[iEnd]))
                ++iEnd;
            while (jEnd < b.size() && isDigit(b[jEnd]))
                ++jEnd;
            while (i + 1 < iEnd && a[i] == '0')
                ++i;
            while (j + 1 < jEnd && b[j] == '0')
                ++j;
            if (iEnd - i != jEnd - j)
                return iEnd - i < jEnd - j;
            const int order = a.compare(i, iEnd - i, b, j, jEnd - j);
            if (order != 0)
                return order < 0;
            i = iEnd;
            j = jEnd;
        } else {
            if (a[i] != b[j])
                return a[i] < b[j];
            ++i;
            ++j;
        }
    }
    return a.size() - i < b.size() - j;
}

// The device number behind path (links followed), if it is a character device.
bool characterDevice(const std::string &path, dev_t &device)
{
    struct stat st {};
    if (stat(path.c_str(), &st) != 0 || !S_ISCHR(st.st_mode))
        return false;
    device = st.st_rdev;
    return true;
}

// The names in dir that begin with prefix, in natural order.
std::vector<std::string> namesIn(const std::string &dir, const std::string &prefix)
{
    std::vector<std::string> names;
    if (DIR *d = opendir(dir.c_str())) {
        while (const dirent *entry = readdir(d)) {
            const std::string name = entry->d_name;
            if (name != "." && name != ".." && name.compare(0, prefix.size(), prefix) == 0)
                names.push_back(name);
        }
        closedir(d);
    }
    std::sort(names.begin(), names.end(), naturalLess);
    return names;
}

}  // namespace

std::vector<SerialPortEntry> listSerialPorts(const std::string &configured,
                                             const std::string &devRoot)
{
    std::vector<SerialPortEntry> ports;
    // Devices are matched by number, which a by-id link and the node it points to share.
    std::set<dev_t> listed;
    dev_t device = 0;

    const std::string byId = devRoot + "/serial/by-id";
    for (const std::string &name : namesIn(byId, "")) {
        const std::string path = byId + "/" + name;
        if (characterDevice(path, device) && listed.insert(device).second)
            ports.push_back({path, name});
    }
    for (const char *prefix : {"ttyUSB", "ttyACM"}) {
        for (const std::string &name : namesIn(devRoot, prefix)) {
            const std::string path = devRoot + "/" + name;
            if (characterDevice(path, device) && listed.insert(device).second)
                ports.push_back({path, name});
        }
    }

    const bool present = std::any_of(ports.begin(), ports.end(), [&](const SerialPortEntry &port) {
        return port.path == configured;
    });
    if (!configured.empty() && !present) {
        if (characterDevice(configured, device))
            ports.push_back({configured, configured});
        else
            ports.push_back({configured, serialPortName(configured), false});
    }
    return ports;
}

std::string serialPortName(const std::string &path) { return path.substr(path.rfind('/') + 1); }

// The device path is the port: Linux keeps it under PortDevice and leaves PortNumber alone.
std::wstring sys::PortOfSettings(int, const std::wstring &strPortDevice) { return strPortDevice; }

void sys::PortToSettings(const std::wstring &strPort, int &, std::wstring &strPortDevice)
{
    strPortDevice = strPort;
}

std::wstring sys::PortDisplayName(const std::wstring &strPort)
{
    return QString::fromStdString(serialPortName(QString::fromStdWString(strPort).toStdString()))
        .toStdWString();
}

// The application matches udev's events to the configured or open port itself and names that.
std::wstring sys::CanonicalPortName(const std::wstring &strName) { return strName; }
