#include "linux/system/DeviceEvents.h"

#include <QSocketNotifier>

#include <libudev.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

UdevMonitor::UdevMonitor(QObject *parent) : QObject(parent), m_udev(udev_new())
{
    if (!m_udev)
        return;
    // udev's own events, not the kernel's: they come after the rules ran, so the device node
    // exists, its permissions are set and DEVLINKS names the by-id links.
    m_monitor.Reset(udev_monitor_new_from_netlink(m_udev.Get(), "udev"));
    if (!m_monitor ||
        udev_monitor_filter_add_match_subsystem_devtype(m_monitor.Get(), "tty", nullptr) < 0 ||
        udev_monitor_enable_receiving(m_monitor.Get()) < 0) {
        m_monitor.Reset();
        return;
    }
    const int fd = udev_monitor_get_fd(m_monitor.Get());
    if (fd < 0) {
        m_monitor.Reset();
        return;
    }
    m_notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read, this);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &UdevMonitor::receive);
}

UdevMonitor::~UdevMonitor() = default;

void UdevMonitor::unrefUdev(udev *context) { udev_unref(context); }

void UdevMonitor::unrefMonitor(udev_monitor *monitor) { udev_monitor_unref(monitor); }

void UdevMonitor::receive()
{
    // The socket does not block: take every event that is waiting.
    while (udev_device *device = udev_monitor_receive_device(m_monitor.Get())) {
        const char *action = udev_device_get_action(device);
        const char *node = udev_device_get_devnode(device);
        if (action && node) {
            const QString devnode = QString::fromLocal8Bit(node);
            const QStringList links =
                QString::fromLocal8Bit(udev_device_get_property_value(device, "DEVLINKS"))
                    .split(QLatin1Char(' '), Qt::SkipEmptyParts);
            if (std::strcmp(action, "add") == 0)
                emit added(devnode, links);
            else if (std::strcmp(action, "remove") == 0)
                emit removed(devnode, links);
        }
        udev_device_unref(device);
    }
}

bool isSameSerialDevice(const std::string &configured, const std::string &devnode,
                        const std::vector<std::string> &links)
{
    if (configured.empty())
        return false;
    if (configured == devnode || std::find(links.begin(), links.end(), configured) != links.end())
        return true;
    char resolved[PATH_MAX];
    return realpath(configured.c_str(), resolved) != nullptr && devnode == resolved;
}
