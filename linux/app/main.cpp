// Lumidot for Linux desktops: the lamp in the tray and the LED on the serial port follow the input
// method (fcitx5 or IBus).
#include "linux/app/IndicatorApp.h"
#include "linux/system/Session.h"
#include "version.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QLocale>
#include <QSocketNotifier>

#include <csignal>
#include <cstring>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int s_signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    // Only async-signal-safe work here; the event loop does the rest.
    if (write(s_signalPipe[1], &byte, 1) < 0) {
    }
}

// Logging out or a kill ends the program the same way the menu's Exit does, so the port is closed
// and the settings are saved.
void quitOnTerminationSignals(QObject *parent)
{
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, s_signalPipe) != 0)
        return;
    auto *notifier = new QSocketNotifier(s_signalPipe[0], QSocketNotifier::Read, parent);
    QObject::connect(notifier, &QSocketNotifier::activated, [notifier] {
        // Read, or the notifier fires again at once, for ever.
        char bytes[16];
        if (read(s_signalPipe[0], bytes, sizeof bytes) < 0) {
        }
        notifier->setEnabled(false);
        // exit(), not quit(): Qt refuses quit() while a window is open, and a dialog or message
        // box in its own event loop must end with the program too. main() then shuts down.
        QCoreApplication::exit(0);
    });
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGINT, SIGHUP})
        sigaction(sig, &action, nullptr);
}

// Help and version are answered without a display: they must work over ssh, in a package
// check, or before the desktop runs.
bool isCommandLineOnly(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        for (const char *option : {"-h", "--help", "--help-all", "-v", "--version"}) {
            if (std::strcmp(argv[i], option) == 0)
                return true;
        }
    }
    return false;
}

// Reads the command line: prints help or the version and ends the program, or ends it with a
// message on an unknown option. Lumidot itself takes no options.
void readCommandLine(const QCoreApplication &app)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QCoreApplication::translate(
        "main", "Shows whether the input method is on, as a lamp in the tray and on an LED wired "
                "to the DTR and RTS lines of a serial port."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.process(app);
}

}  // namespace

int main(int argc, char **argv)
{
    QCoreApplication::setApplicationVersion(QStringLiteral(LUMIDOT_VERSION_STRING));
    if (isCommandLineOnly(argc, argv)) {
        QCoreApplication app(argc, argv);
        readCommandLine(app);
        return 0;
    }
    QApplication app(argc, argv);
    useLanguage(QLocale::system());
    readCommandLine(app);
    // The tray icon is the program's window: closing a dialog must not end it.
    QApplication::setQuitOnLastWindowClosed(false);
    // Message boxes are captioned with the program's file name, as on Windows.
    QApplication::setApplicationName(QFileInfo(QApplication::applicationFilePath()).baseName());
    quitOnTerminationSignals(&app);

    IndicatorApp lumidot;
    if (!lumidot.start())
        return 0;
    return QApplication::exec();
}
