// How the Linux edition starts at login, which language it speaks, and where its trace goes.
#include "core/Platform.h"

#include "linux/system/Session.h"

#include "linux/system/Profile.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>
#include <QStandardPaths>
#include <QString>
#include <QTranslator>

#include <cstdio>

namespace {

// Start and exit must not wait on a bus daemon that does not answer: Qt's default is 25 s.
constexpr int kBusTimeoutMs = 1000;

QDBusMessage busDaemonCall(const char *method, const QString &name)
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QString::fromLatin1(method));
    call << name;
    return call;
}

QString autostartFile() { return configHome() + QStringLiteral("/autostart/lumidot.desktop"); }

// This program as an Exec= value: quoted, with the characters the Desktop Entry rules reserve
// inside quotes escaped.
QString execLine()
{
    QString path = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    for (const char *reserved : {"\\", "\"", "`", "$"})
        path.replace(QLatin1String(reserved), QStringLiteral("\\") + QLatin1String(reserved));
    // A literal % is written %% in an Exec value.
    path.replace(QStringLiteral("%"), QStringLiteral("%%"));
    return QStringLiteral("\"") + path + QStringLiteral("\"");
}

}  // namespace

bool sys::IsStartAtLoginOn()
{
    QFile file(autostartFile());
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QString want = QStringLiteral("Exec=") + execLine();
    bool bRunsUs = false;
    for (const QByteArray &raw : file.readAll().split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line == want)
            bRunsUs = true;
        // A desktop may switch an entry off by hiding it instead of deleting it.
        if (line == QStringLiteral("Hidden=true") ||
            line == QStringLiteral("X-GNOME-Autostart-enabled=false"))
            return false;
    }
    return bRunsUs;
}

bool sys::SetStartAtLogin(bool bOn)
{
    const QString path = autostartFile();
    if (!bOn)
        return !QFile::exists(path) || QFile::remove(path);
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QString entry = QStringLiteral("[Desktop Entry]\n"
                                         "Type=Application\n"
                                         "Name=Lumidot\n"
                                         "Comment=IME の状態をトレイと LED で知らせる\n"
                                         "Exec=") +
                          execLine() + QStringLiteral("\nIcon=lumidot\nTerminal=false\n");
    file.write(entry.toUtf8());
    return file.commit();
}

void sys::TraceLine(const wchar_t *pszLine)
{
    std::fputs(QString::fromWCharArray(pszLine).toUtf8().constData(), stderr);
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
    const QDBusMessage reply =
        bus.call(busDaemonCall("RequestName", name) << kDoNotQueue, QDBus::Block, kBusTimeoutMs);
    return reply.type() != QDBusMessage::ReplyMessage ||
           reply.arguments().value(0).toUInt() == kPrimaryOwner;
}

void releaseInstanceName(const QString &name)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected())
        bus.call(busDaemonCall("ReleaseName", name), QDBus::Block, kBusTimeoutMs);
}
