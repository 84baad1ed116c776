// How the Linux edition starts at login, which language it speaks, where its trace goes, and its
// clock.
#include "core/Platform.h"

#include "linux/system/Session.h"

#include "linux/system/DBus.h"
#include "linux/system/Profile.h"
#include "version.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>
#include <QStandardPaths>
#include <QString>
#include <QTranslator>

#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// This program's path, taken as it starts: after a package upgrade while it runs, /proc/self/exe
// names a file that is gone.
const std::string s_programPath = [] {
    char path[PATH_MAX];
    return realpath("/proc/self/exe", path) ? std::string(path) : std::string();
}();

QString programPath() { return QString::fromStdString(s_programPath); }

QString autostartFolder() { return configHome() + QStringLiteral("/autostart/"); }
// Ours, and the one a desktop's own start-up settings (GNOME Tweaks, KDE's Autostart) copy from
// the menu entry.
QString ourEntry() { return autostartFolder() + QStringLiteral("lumidot.desktop"); }
QString desktopToolEntry()
{
    return autostartFolder() + QStringLiteral(LUMIDOT_APP_ID) + QStringLiteral(".desktop");
}

// A value of type string as the Desktop Entry rules write it: a backslash is written twice.
QString escapedString(QString value)
{
    return value.replace(QStringLiteral("\\"), QStringLiteral("\\\\"));
}

}  // namespace

// Quoted, with the characters reserved inside quotes (\ " ` $) escaped and % doubled; as a string
// it is escaped once more.
QString execValueOf(const QString &program)
{
    QString arg = program;
    for (const char *reserved : {"\\", "\"", "`", "$"})
        arg.replace(QLatin1String(reserved), QStringLiteral("\\") + QLatin1String(reserved));
    arg.replace(QStringLiteral("%"), QStringLiteral("%%"));
    return escapedString(QStringLiteral("\"") + arg + QStringLiteral("\""));
}

QString programOfExec(const QString &value)
{
    QString unescaped;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] == QLatin1Char('\\') && i + 1 < value.size()) {
            const QChar next = value[++i];
            unescaped += next == QLatin1Char('s')   ? QChar(u' ')
                         : next == QLatin1Char('n') ? QChar(u'\n')
                         : next == QLatin1Char('t') ? QChar(u'\t')
                         : next == QLatin1Char('r') ? QChar(u'\r')
                                                    : next;
        } else {
            unescaped += value[i];
        }
    }
    QString program;
    const bool quoted = unescaped.startsWith(QLatin1Char('"'));
    for (qsizetype i = quoted ? 1 : 0; i < unescaped.size(); ++i) {
        const QChar c = unescaped[i];
        if (quoted ? c == QLatin1Char('"') : c == QLatin1Char(' '))
            break;
        if (quoted && c == QLatin1Char('\\') && i + 1 < unescaped.size())
            program += unescaped[++i];
        else if (c == QLatin1Char('%') && i + 1 < unescaped.size() && unescaped[i + 1] == c)
            program += unescaped[++i];
        else
            program += c;
    }
    return program;
}

namespace {

// Whether the autostart entry at path starts this program when the user logs in. A desktop
// switches an entry off by hiding it or disabling it rather than deleting it. The desktop's own
// tool writes the menu entry's Exec=lumidot, found on the PATH.
bool entryStartsUs(const QString &path, bool bareNameCounts)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    bool runsUs = false;
    bool inEntry = false;
    for (const QByteArray &raw : file.readAll().split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.startsWith(QLatin1Char('[')))
            inEntry = line == QStringLiteral("[Desktop Entry]");
        if (!inEntry)
            continue;
        if (line.startsWith(QStringLiteral("Exec="))) {
            const QString program = programOfExec(line.mid(5));
            runsUs = program == programPath() ||
                     (bareNameCounts && program == QStringLiteral("lumidot"));
        }
        if (line == QStringLiteral("Hidden=true") ||
            line == QStringLiteral("X-GNOME-Autostart-enabled=false"))
            return false;
    }
    return runsUs;
}

}  // namespace

bool sys::IsStartAtLoginOn()
{
    return entryStartsUs(ourEntry(), false) || entryStartsUs(desktopToolEntry(), true);
}

bool sys::SetStartAtLogin(bool bOn)
{
    if (!bOn) {
        bool removed = true;
        for (const QString &path : {ourEntry(), desktopToolEntry()}) {
            if (QFile::exists(path) && (path == ourEntry() || entryStartsUs(path, true)))
                removed = QFile::remove(path) && removed;
        }
        return removed;
    }
    if (programPath().isEmpty() || !QDir().mkpath(autostartFolder()))
        return false;
    QSaveFile file(ourEntry());
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QString entry = QStringLiteral("[Desktop Entry]\n"
                                         "Type=Application\n"
                                         "Name=Lumidot\n"
                                         "Comment=Shows whether the input method is on\n"
                                         "Comment[ja]=IME の状態をトレイと LED で知らせる\n"
                                         "TryExec=") +
                          escapedString(programPath()) + QStringLiteral("\nExec=") +
                          execValueOf(programPath()) +
                          QStringLiteral("\nIcon=lumidot\nTerminal=false\n");
    file.write(entry.toUtf8());
    return file.commit();
}

void sys::TraceLine(const wchar_t *pszLine)
{
    std::fputs(QString::fromWCharArray(pszLine).toUtf8().constData(), stderr);
}

unsigned int sys::MonotonicMs()
{
    using namespace std::chrono;
    // Cut to 32 bits on purpose: the logic only takes differences, which survive the wrap.
    return static_cast<unsigned int>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

// The shared table's Japanese texts are the source texts of the translations (res/*.ts); the
// application installs the one for the desktop's language.
std::wstring sys::LocalText(const wchar_t *pszText)
{
    return QCoreApplication::translate("Lumidot",
                                       QString::fromWCharArray(pszText).toUtf8().constData())
        .toStdWString();
}

void useLanguage(const QLocale &locale)
{
    // The language the desktop shows its menus in (LANGUAGE, LC_MESSAGES), not the one it formats
    // numbers in.
    const QStringList languages = locale.uiLanguages();
    if (!languages.isEmpty() && QLocale(languages.first()).language() == QLocale::Japanese)
        return;
    // Owned by the application, and lives as long as it does.
    auto *english = new QTranslator(QCoreApplication::instance());
    if (english->load(QStringLiteral(":/i18n/lumidot_en.qm")))
        QCoreApplication::installTranslator(english);
}

bool claimInstanceName(const QString &name)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return true;
    // Do not queue for the name: a second instance ends at once.
    constexpr uint kDoNotQueue = 4;
    constexpr uint kPrimaryOwner = 1;
    const QDBusMessage reply = bus.call(busDaemonCall("RequestName", name) << kDoNotQueue,
                                        QDBus::Block, kBusAnswerTimeoutMs);
    return reply.type() != QDBusMessage::ReplyMessage ||
           reply.arguments().value(0).toUInt() == kPrimaryOwner;
}

void releaseInstanceName(const QString &name)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected())
        bus.call(busDaemonCall("ReleaseName", name), QDBus::Block, kBusAnswerTimeoutMs);
}

namespace {

const QString kLogind = QStringLiteral("org.freedesktop.login1");
const QString kLogindPath = QStringLiteral("/org/freedesktop/login1");
const QString kManager = QStringLiteral("org.freedesktop.login1.Manager");
const QString kSessionInterface = QStringLiteral("org.freedesktop.login1.Session");
const QString kActive = QStringLiteral("Active");

}  // namespace

Logind::Logind(QObject *parent)
    : QObject(parent), m_bus(QDBusConnection::systemBus()),
      m_ownerWatch(kLogind, m_bus, QDBusServiceWatcher::WatchForOwnerChange)
{
    if (!m_bus.isConnected())
        return;
    connect(&m_ownerWatch, &QDBusServiceWatcher::serviceOwnerChanged, this,
            &Logind::onOwnerChanged);
    // By path and interface, the sender checked as each arrives: naming logind here would make Qt
    // ask the bus daemon for its owner and wait for the answer, at start.
    m_bus.connect(QString(), kLogindPath, kManager, QStringLiteral("PrepareForSleep"), this,
                  SLOT(onPrepareForSleep(bool, QDBusMessage)));
    callWithoutWaiting(m_bus, busDaemonCall("GetNameOwner", kLogind), this,
                       [this](const QDBusMessage &reply) {
                           if (reply.type() == QDBusMessage::ReplyMessage && m_owner.isEmpty())
                               follow(reply.arguments().value(0).toString());
                       });
}

void Logind::onOwnerChanged(const QString &, const QString &, const QString &newOwner)
{
    follow(newOwner);
}

void Logind::follow(const QString &owner)
{
    m_owner = owner;
    if (m_owner.isEmpty())
        return;
    // "auto": the caller's session, or the user's session at the screen when the caller runs
    // outside of any (started by a user service).
    QDBusMessage call = QDBusMessage::createMethodCall(m_owner, kLogindPath, kManager,
                                                       QStringLiteral("GetSession"));
    call << QStringLiteral("auto");
    callWithoutWaiting(m_bus, call, this, [this](const QDBusMessage &reply) {
        if (reply.type() == QDBusMessage::ReplyMessage)
            watchSession(reply.arguments().value(0).value<QDBusObjectPath>().path());
    });
}

void Logind::watchSession(const QString &path)
{
    if (path.isEmpty())
        return;
    if (path != m_session) {
        if (!m_session.isEmpty())
            m_bus.disconnect(
                QString(), m_session, kPropertiesInterface, QStringLiteral("PropertiesChanged"),
                this, SLOT(onSessionChanged(QString, QVariantMap, QStringList, QDBusMessage)));
        m_session = path;
        m_bus.connect(QString(), m_session, kPropertiesInterface,
                      QStringLiteral("PropertiesChanged"), this,
                      SLOT(onSessionChanged(QString, QVariantMap, QStringList, QDBusMessage)));
    }
    askActive();
}

void Logind::askActive()
{
    callWithoutWaiting(
        m_bus, propertyGetCall(m_owner, m_session, kSessionInterface, kActive), this,
        [this](const QDBusMessage &reply) {
            if (reply.type() == QDBusMessage::ReplyMessage)
                setActive(reply.arguments().value(0).value<QDBusVariant>().variant().toBool());
        });
}

void Logind::setActive(bool active)
{
    if (active != m_active) {
        m_active = active;
        emit activeChanged(active);
    }
}

void Logind::onPrepareForSleep(bool start, const QDBusMessage &message)
{
    if (!start && !m_owner.isEmpty() && message.service() == m_owner)
        emit woke();
}

void Logind::onSessionChanged(const QString &interface, const QVariantMap &changed,
                              const QStringList &invalidated, const QDBusMessage &message)
{
    if (m_owner.isEmpty() || message.service() != m_owner || interface != kSessionInterface)
        return;
    if (changed.contains(kActive))
        setActive(changed.value(kActive).toBool());
    else if (invalidated.contains(kActive))
        askActive();
}
