// The tray item an input method shows for itself, read passively: fcitx5's names Mozc's mode
// (hiragana, half-width alphanumeric...) in its icon, which fcitx5 publishes nowhere else.
#pragma once

#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

class QDBusMessage;

// fcitx5 registers its item (Id "Fcitx") with the desktop's tray host, the StatusNotifierWatcher,
// from a connection of its own, and again whenever a new host starts. Only the item is read: the
// host's names, and org.kde.impanel (whose owner fcitx5 would hand its candidate window), are never
// claimed.
class ImeTrayItem : public QObject {
    Q_OBJECT
public:
    explicit ImeTrayItem(const QDBusConnection &session, QObject *parent = nullptr);

    // Whether fcitx5's item is there and its icon was read (or it went away a moment ago).
    bool isFound() const { return m_found; }
    // Whether the item names its icon, which tells Mozc's mode. With classicui's "Prefer Text
    // Icon" fcitx5 names none and draws the mode as a picture; its label and tool tip stay empty.
    bool tellsMode() const { return m_found && !m_iconName.isEmpty(); }
    // The item's IconName, e.g. "fcitx_mozc_alpha_half"; empty while none is found.
    QString iconName() const { return m_iconName; }

signals:
    // The item came, went, or changed its icon.
    void changed();

private slots:
    void onWatcherOwnerChanged(const QString &service, const QString &oldOwner,
                               const QString &newOwner);
    void onItemRegistered(const QString &item);
    void onNewIcon(const QDBusMessage &message);
    void lose();
    void forget();

private:
    void askItems();
    void examine(const QString &item);
    void adopt(const QString &service, const QString &path);
    void askIconName();
    // Reads a property without waiting: then gets its value, or is never called on an error.
    void getProperty(const QString &service, const QString &path, const QString &interface,
                     const QString &name, std::function<void(const QVariant &)> then);

    QDBusConnection m_session;
    QDBusServiceWatcher m_watcherOwner;
    QDBusServiceWatcher m_itemOwner;
    QString m_service;  // the item's connection (a unique name) and object, while found
    QString m_path;
    QString m_iconName;
    bool m_found = false;
    QTimer m_forgetting;      // runs while the item is away
    quint64 m_iconQuery = 0;  // only the latest question's answer counts
};
