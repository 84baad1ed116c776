// The desktop session's side of the Linux edition that the application sets up itself.
#pragma once

#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

class QDBusMessage;
class QLocale;

// Speaks the language of locale: Japanese, the source language of every text, for Japanese, and
// English for every other language. Call it once, with the desktop's locale, before any window
// or text is made.
void useLanguage(const QLocale &locale);

// One program as the Exec value of a desktop entry, quoted and escaped as the Desktop Entry rules
// want it, and the program an Exec value starts (its first argument), read by the same rules.
QString execValueOf(const QString &program);
QString programOfExec(const QString &value);

// Takes the session-wide name that marks the running instance on the session bus: false only when
// another process holds it. Without a session bus, or with a bus daemon that does not answer
// within a second, there is no session to be alone in, and the claim succeeds.
bool claimInstanceName(const QString &name);
// Gives the name up, waiting a second at most for the bus daemon.
void releaseInstanceName(const QString &name);

// What logind says on the system bus: the wake after sleep, and whether this session is the one at
// the screen (with fast user switching another user's session may be). Any client may broadcast
// a signal on the system bus, so each one counts only from the unique name that owns
// org.freedesktop.login1. Without a system bus or logind, nothing is ever said.
class Logind : public QObject {
    Q_OBJECT
public:
    explicit Logind(QObject *parent = nullptr);

signals:
    void woke();
    void activeChanged(bool active);

private slots:
    void onOwnerChanged(const QString &service, const QString &oldOwner, const QString &newOwner);
    void onPrepareForSleep(bool start, const QDBusMessage &message);
    void onSessionChanged(const QString &interface, const QVariantMap &changed,
                          const QStringList &invalidated, const QDBusMessage &message);

private:
    void follow(const QString &owner);
    void watchSession(const QString &path);
    void askActive();
    void setActive(bool active);

    QDBusConnection m_bus;
    QDBusServiceWatcher m_ownerWatch;
    QString m_owner;    // logind's unique name; empty while none is known
    QString m_session;  // this session's object, once logind named it
    bool m_active = true;
};
