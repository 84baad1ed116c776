#include "linux/system/ImeTrayItem.h"

#include "linux/system/DBus.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QStringList>

namespace {

const QString kWatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kWatcherPath = QStringLiteral("/StatusNotifierWatcher");
const QString kItemInterface = QStringLiteral("org.kde.StatusNotifierItem");
const QString kDefaultItemPath = QStringLiteral("/StatusNotifierItem");
const QString kFcitxId = QStringLiteral("Fcitx");
// A tray host that restarts, or fcitx5 registering its item anew, brings the item back within a
// second; until then its last icon still tells the mode.
constexpr int kItemAwayMs = 3000;

}  // namespace

ImeTrayItem::ImeTrayItem(const QDBusConnection &session, QObject *parent)
    : QObject(parent), m_session(session),
      m_watcherOwner(kWatcherService, m_session, QDBusServiceWatcher::WatchForOwnerChange),
      m_itemOwner(QString(), m_session, QDBusServiceWatcher::WatchForUnregistration)
{
    m_forgetting.setSingleShot(true);
    m_forgetting.setInterval(kItemAwayMs);
    connect(&m_forgetting, &QTimer::timeout, this, &ImeTrayItem::forget);
    if (!m_session.isConnected())
        return;
    connect(&m_watcherOwner, &QDBusServiceWatcher::serviceOwnerChanged, this,
            &ImeTrayItem::onWatcherOwnerChanged);
    connect(&m_itemOwner, &QDBusServiceWatcher::serviceUnregistered, this, &ImeTrayItem::lose);
    // From any sender: naming the host's well-known name would make Qt ask the bus daemon for its
    // owner and wait for the answer. Only the host sends this from its object.
    m_session.connect(QString(), kWatcherPath, kWatcherService,
                      QStringLiteral("StatusNotifierItemRegistered"), this,
                      SLOT(onItemRegistered(QString)));
    askItems();
}

void ImeTrayItem::onWatcherOwnerChanged(const QString &, const QString &, const QString &newOwner)
{
    // Without a host there is no tray to read; a new host is told of every item anew.
    lose();
    if (!newOwner.isEmpty())
        askItems();
}

void ImeTrayItem::onItemRegistered(const QString &item) { examine(item); }

void ImeTrayItem::onNewIcon(const QDBusMessage &message)
{
    if (m_found && message.service() == m_service && message.path() == m_path)
        askIconName();
}

void ImeTrayItem::lose()
{
    if (m_service.isEmpty())
        return;
    m_session.disconnect(m_service, m_path, kItemInterface, QStringLiteral("NewIcon"), this,
                         SLOT(onNewIcon(QDBusMessage)));
    m_itemOwner.setWatchedServices({});
    m_service.clear();
    m_path.clear();
    ++m_iconQuery;
    if (m_found)
        m_forgetting.start();
}

void ImeTrayItem::forget()
{
    if (m_found) {
        m_found = false;
        m_iconName.clear();
        emit changed();
    }
}

void ImeTrayItem::askItems()
{
    getProperty(kWatcherService, kWatcherPath, kWatcherService,
                QStringLiteral("RegisteredStatusNotifierItems"), [this](const QVariant &items) {
                    for (const QString &item : items.toStringList())
                        examine(item);
                });
}

void ImeTrayItem::examine(const QString &item)
{
    // "service/path", or a bare service whose item has the usual path.
    const qsizetype slash = item.indexOf(QLatin1Char('/'));
    const QString service = slash < 0 ? item : item.left(slash);
    const QString path = slash < 0 ? kDefaultItemPath : item.mid(slash);
    if (service.isEmpty() || service == m_session.baseService())
        return;
    getProperty(service, path, kItemInterface, QStringLiteral("Id"),
                [this, service, path](const QVariant &id) {
                    if (id.toString() == kFcitxId)
                        adopt(service, path);
                });
}

void ImeTrayItem::adopt(const QString &service, const QString &path)
{
    m_forgetting.stop();
    if (service != m_service || path != m_path) {
        lose();
        m_forgetting.stop();
        m_service = service;
        m_path = path;
        // fcitx5's item connection is a unique name: Qt matches it without asking the daemon.
        m_itemOwner.setWatchedServices({service});
        m_session.connect(service, path, kItemInterface, QStringLiteral("NewIcon"), this,
                          SLOT(onNewIcon(QDBusMessage)));
    }
    askIconName();
}

void ImeTrayItem::askIconName()
{
    const quint64 query = ++m_iconQuery;
    getProperty(m_service, m_path, kItemInterface, QStringLiteral("IconName"),
                [this, query](const QVariant &name) {
                    if (query != m_iconQuery)
                        return;
                    const bool news = !m_found || name.toString() != m_iconName;
                    m_found = true;
                    m_iconName = name.toString();
                    if (news)
                        emit changed();
                });
}

void ImeTrayItem::getProperty(const QString &service, const QString &path, const QString &interface,
                              const QString &name, std::function<void(const QVariant &)> then)
{
    callWithoutWaiting(m_session, propertyGetCall(service, path, interface, name), this,
                       [then = std::move(then)](const QDBusMessage &reply) {
                           if (reply.type() == QDBusMessage::ReplyMessage &&
                               !reply.arguments().isEmpty())
                               then(reply.arguments().first().value<QDBusVariant>().variant());
                       });
}
