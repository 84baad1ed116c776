#include "linux/system/DBus.h"

#include <QDBusPendingCallWatcher>

QDBusMessage busDaemonCall(const char *method, const QString &name)
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QString::fromLatin1(method));
    call << name;
    return call;
}

QDBusMessage propertyGetCall(const QString &service, const QString &path, const QString &interface,
                             const QString &name)
{
    QDBusMessage call =
        QDBusMessage::createMethodCall(service, path, kPropertiesInterface, QStringLiteral("Get"));
    call << interface << name;
    call.setAutoStartService(false);
    return call;
}

void callWithoutWaiting(const QDBusConnection &bus, const QDBusMessage &call, QObject *context,
                        std::function<void(const QDBusMessage &)> then)
{
    auto *pending = new QDBusPendingCallWatcher(bus.asyncCall(call, kBusAnswerTimeoutMs), context);
    QObject::connect(pending, &QDBusPendingCallWatcher::finished, context,
                     [then = std::move(then)](QDBusPendingCallWatcher *done) {
                         done->deleteLater();
                         then(done->reply());
                     });
}
