// The D-Bus calls the Linux edition makes, built one way. They run on the UI thread or answer on
// it, at start, at exit and while the program runs: none may wait Qt's default 25 s for an answer
// that does not come.
#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QString>

#include <functional>

class QObject;

constexpr int kBusAnswerTimeoutMs = 1000;

// The interface of every object's properties: Get, and the PropertiesChanged signal.
inline const QString kPropertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");

// A call to the bus daemon itself about a name: NameHasOwner, RequestName, ReleaseName.
QDBusMessage busDaemonCall(const char *method, const QString &name);
// Properties.Get of the property name of interface at service/path. It never starts a service:
// the programs asked (a tray host, IBus) run or do not.
QDBusMessage propertyGetCall(const QString &service, const QString &path, const QString &interface,
                             const QString &name);
// Sends call without waiting; then gets the answer, or the error, unless context went first.
void callWithoutWaiting(const QDBusConnection &bus, const QDBusMessage &call, QObject *context,
                        std::function<void(const QDBusMessage &)> then);
