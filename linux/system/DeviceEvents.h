// Serial devices that arrive and go away, as udev announces them.
#pragma once

#include "core/Resource.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>
#include <string>
#include <vector>

class QSocketNotifier;
struct udev;
struct udev_monitor;

class UdevMonitor : public QObject {
    Q_OBJECT
public:
    // Listens to udev's events about terminal devices. Without a udev daemon (in a container) the
    // monitor stays silent: no event, no message.
    explicit UdevMonitor(QObject *parent = nullptr);
    ~UdevMonitor() override;

signals:
    // devnode is the device node ("/dev/ttyUSB0"), links its DEVLINKS ("/dev/serial/by-id/...").
    void added(const QString &devnode, const QStringList &links);
    void removed(const QString &devnode, const QStringList &links);

private:
    void receive();

    static void unrefUdev(udev *context);
    static void unrefMonitor(udev_monitor *monitor);

    // Declared in this order so that the notifier goes before the descriptor it watches, and the
    // monitor before the context it was made from.
    CResource<udev *, unrefUdev> m_udev;
    CResource<udev_monitor *, unrefMonitor> m_monitor;
    std::unique_ptr<QSocketNotifier> m_notifier;
};

// Whether an event about devnode, with its links, concerns the port configured as configured: the
// device node itself, one of its links (/dev/serial/by-id/...), or a link made by hand that leads
// to the node (only while the node exists, so for arrivals; a removal is matched against the node
// the open port resolved to).
bool isSameSerialDevice(const std::string &configured, const std::string &devnode,
                        const std::vector<std::string> &links);
