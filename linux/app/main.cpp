// Lumidot for Linux desktops: the lamp in the tray and the LED on the serial port follow the input
// method (fcitx5 or IBus).
#include "linux/app/IndicatorApp.h"

#include <QApplication>
#include <QFileInfo>
#include <QSocketNotifier>

#include <csignal>
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
    QObject::connect(notifier, &QSocketNotifier::activated, [] { QCoreApplication::quit(); });
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGINT, SIGHUP})
        sigaction(sig, &action, nullptr);
}

}  // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
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
