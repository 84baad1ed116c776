// The smallest Qt tray program that shows the input method's state: a lit or dark lamp, the
// reading in its tool tip, and DTR and RTS of a pseudo-terminal raised or dropped with it (never a
// byte written). It proves the Linux end-to-end harness and is the baseline a benchmark holds our
// own program against, so it stays this small.
//
//     imeprobe [--period MS] [PTY]
#include "linux/system/Ime.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFile>
#include <QIcon>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOption({QStringLiteral("period"), QStringLiteral("Poll period in milliseconds."),
                      QStringLiteral("ms"), QStringLiteral("500")});
    parser.addPositionalArgument(QStringLiteral("pty"),
                                 QStringLiteral("Pseudo-terminal for the LED lines."));
    parser.process(app);
    bool periodOk = false;
    const int period = parser.value(QStringLiteral("period")).toInt(&periodOk);
    if (!periodOk || period <= 0)
        parser.showHelp(2);

    const QStringList args = parser.positionalArguments();
    const int fd = args.isEmpty() ? -1
                                  : ::open(QFile::encodeName(args.first()).constData(),
                                           O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    const QIcon onIcon(fd >= 0 ? QStringLiteral(":/icons/LampOn.ico")
                               : QStringLiteral(":/icons/LampOnNoPort.ico"));
    const QIcon offIcon(fd >= 0 ? QStringLiteral(":/icons/LampOff.ico")
                                : QStringLiteral(":/icons/LampOffNoPort.ico"));

    QSystemTrayIcon tray(offIcon);
    QMenu menu;
    menu.addAction(QStringLiteral("終了"), &app, &QCoreApplication::quit);
    tray.setContextMenu(&menu);
    tray.show();

    ImeStatus ime;
    std::optional<ImeState> shown;
    const auto tick = [&] {
        const std::optional<ImeState> reading = ime.read();
        if (!reading ||
            (shown && shown->on == reading->on && shown->alphanumeric == reading->alphanumeric))
            return;
        shown = reading;
        tray.setIcon(reading->on ? onIcon : offIcon);
        tray.setToolTip(!reading->on            ? QStringLiteral("IME オフ")
                        : reading->alphanumeric ? QStringLiteral("IME オン (英数)")
                                                : QStringLiteral("IME オン"));
        for (int line : {TIOCM_DTR, TIOCM_RTS}) {
            if (fd >= 0)
                ::ioctl(fd, reading->on ? TIOCMBIS : TIOCMBIC, &line);
        }
    };
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, tick);
    QObject::connect(&ime, &ImeStatus::changed, tick);
    timer.start(period);
    tick();

    const int result = app.exec();
    if (fd >= 0)
        ::close(fd);
    return result;
}
