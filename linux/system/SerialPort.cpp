#include "linux/system/SerialPort.h"

#include <QString>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <grp.h>
#include <sstream>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

namespace {

// What a line change reports once the adapter is unplugged: the kernel hangs the terminal up and
// every later call fails with EIO; in the moment before that, drivers report the hardware missing
// (ENODEV or ESHUTDOWN from the USB stack, ENXIO from a port whose device was detached). Anything
// else (ENOTTY from a pseudo-terminal, EINVAL from a driver without that line, a USB transfer
// error on a device that is still there) leaves the port open for the next tick to try again.
bool meansGone(int error)
{
    return error == EIO || error == ENODEV || error == ENXIO || error == ESHUTDOWN;
}

// Whether the terminal device is the controlling terminal of some session: a user's shell, a
// console login. TIOCGSID answers only for one's own terminal (or a master whose slave has a
// session), so the sessions of the processes we can see are asked too.
bool isSessionTerminal(int fd, dev_t device)
{
    pid_t session = 0;
    if (ioctl(fd, TIOCGSID, &session) == 0)
        return true;
    DIR *proc = opendir("/proc");
    if (proc == nullptr)
        return false;
    bool found = false;
    while (const dirent *entry = readdir(proc)) {
        if (entry->d_name[0] < '1' || entry->d_name[0] > '9')
            continue;
        std::ifstream file(std::string("/proc/") + entry->d_name + "/stat");
        std::string stat;
        std::getline(file, stat);
        // After the command's name in parentheses (which may hold anything): state, parent,
        // process group, session, then the controlling terminal's device number.
        const size_t end = stat.rfind(')');
        if (end == std::string::npos)
            continue;
        std::istringstream fields(stat.substr(end + 1));
        std::string state;
        long parent = 0, group = 0, sessionId = 0;
        unsigned long terminal = 0;
        if (fields >> state >> parent >> group >> sessionId >> terminal && terminal != 0 &&
            major(terminal) == major(device) && minor(terminal) == minor(device)) {
            found = true;
            break;
        }
    }
    closedir(proc);
    return found;
}

// Whether the device is no serial line: not a terminal at all, or one of the consoles (/dev/tty,
// /dev/console, the virtual consoles), whose modes belong to whoever logs in there.
bool isNoSerialLine(int fd, dev_t device)
{
    constexpr unsigned kVirtualConsoles = 4, kConsoleAliases = 5;
    termios tio{};
    if (tcgetattr(fd, &tio) != 0)
        return true;
    return (major(device) == kVirtualConsoles && minor(device) < 64) ||
           (major(device) == kConsoleAliases && minor(device) <= 1);
}

// The group that may open the device, when joining it would help: one that has read and write
// rights on it and is not root's.
std::string groupOfDevice(const std::string &path)
{
    struct stat st {};
    if (stat(path.c_str(), &st) != 0 || st.st_gid == 0 ||
        (st.st_mode & (S_IRGRP | S_IWGRP)) != (S_IRGRP | S_IWGRP))
        return {};
    const group *entry = getgrgid(st.st_gid);
    return entry != nullptr ? entry->gr_name : std::to_string(st.st_gid);
}

// 9600 baud, 8 data bits, no parity, one stop bit, no character processing. CLOCAL, because the
// LED wiring has no carrier line: without it a floating DCD could hang the port up. Flow control
// and HUPCL stay as the driver has them, as the Windows build keeps the driver's control modes.
bool applyLineSettings(int fd)
{
    termios tio{};
    if (tcgetattr(fd, &tio) != 0)
        return false;
    cfmakeraw(&tio);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    if (cfsetispeed(&tio, B9600) != 0 || cfsetospeed(&tio, B9600) != 0)
        return false;
    return tcsetattr(fd, TCSANOW, &tio) == 0;
}

}  // namespace

void SerialPort::closeFd(int fd)
{
    // The exclusive flag belongs to the terminal, not to this descriptor: a pseudo-terminal whose
    // other end stays open would keep it and refuse every program but root's.
    ioctl(fd, TIOCNXCL);
    ::close(fd);
}

bool SerialPort::open(const std::string &path)
{
    m_lastFailure = {};
    if (isOpen() || path.empty())
        return false;

    // O_NONBLOCK so that the open does not wait for a carrier; it can stay set, since nothing is
    // ever read or written. O_NOCTTY so that the port never becomes our controlling terminal.
    // O_CLOEXEC so that a program we start (the help page's browser) does not keep the port.
    CResource<int, ::close, -1> fd(
        ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!fd) {
        // EBUSY: another program holds the terminal exclusively; EACCES and EPERM: its rights
        // are not (yet) ours.
        if (errno == EBUSY)
            m_lastFailure.problem = sys::OpenProblem::Held;
        else if (errno == EACCES || errno == EPERM)
            m_lastFailure = {sys::OpenProblem::NoRights,
                             QString::fromStdString(groupOfDevice(path)).toStdWString()};
        return false;
    }

    // Nothing about the terminal may change before it is known to be a free serial line: no
    // exclusive flag, no modes (which would also stop us with SIGTTOU from a background job of
    // the shell whose terminal it is).
    struct stat st {};
    if (fstat(fd.Get(), &st) != 0 || !S_ISCHR(st.st_mode) || isNoSerialLine(fd.Get(), st.st_rdev)) {
        m_lastFailure.problem = sys::OpenProblem::NotSerial;
        return false;
    }
    if (isSessionTerminal(fd.Get(), st.st_rdev)) {
        m_lastFailure.problem = sys::OpenProblem::SessionTerminal;
        return false;
    }

    // TIOCEXCL makes the kernel refuse further opens, but not root's; the lock refuses every
    // program that asks for it as this one does, root included. A program that holds the port with
    // TIOCEXCL alone is honoured too. Until the terminal is ours, a refusal must leave the other
    // program's exclusive flag alone.
    int exclusive = 0;
    if (flock(fd.Get(), LOCK_EX | LOCK_NB) != 0 ||
        (ioctl(fd.Get(), TIOCGEXCL, &exclusive) == 0 && exclusive != 0)) {
        m_lastFailure.problem = sys::OpenProblem::Held;
        return false;
    }
    if (ioctl(fd.Get(), TIOCEXCL) != 0)
        return false;
    CResource<int, closeFd, -1> held(fd.Detach());
    if (!applyLineSettings(held.Get()))
        return false;

    char resolved[PATH_MAX];
    m_devnode = realpath(path.c_str(), resolved) ? resolved : path;
    m_path = path;
    m_linesAtClose.reset();
    m_fd = std::move(held);
    return true;
}

void SerialPort::close()
{
    if (isOpen() && m_linesAtClose) {
        setLines(m_linesAtClose->lines, m_linesAtClose->raise);
        // The kernel drops both lines on the last close while HUPCL is set: an LED lit by dropped
        // lines would light up as the program ends.
        termios tio{};
        if (m_linesAtClose->raise && tcgetattr(m_fd.Get(), &tio) == 0 &&
            (tio.c_cflag & HUPCL) != 0) {
            tio.c_cflag &= ~static_cast<tcflag_t>(HUPCL);
            tcsetattr(m_fd.Get(), TCSANOW, &tio);
        }
    }
    m_linesAtClose.reset();
    m_fd.Reset();
    m_path.clear();
    m_devnode.clear();
}

sys::LineResult SerialPort::setLines(sys::LedLines lines, bool raise)
{
    if (!isOpen())
        return sys::LineResult::Failed;

    const struct {
        bool chosen;
        int bit;
    } steps[] = {{lines != sys::LedLines::Rts, TIOCM_DTR},
                 {lines != sys::LedLines::Dtr, TIOCM_RTS}};
    const unsigned long request = raise ? TIOCMBIS : TIOCMBIC;
    sys::LineResult result = sys::LineResult::Ok;
    for (const auto &step : steps) {
        // One line a call, and TIOCMBIS and TIOCMBIC leave the other bits alone: a line the LED is
        // not on may carry something else, such as a board's reset.
        int line = step.bit;
        if (!step.chosen || ioctl(m_fd.Get(), request, &line) == 0)
            continue;
        if (meansGone(errno))
            result = sys::LineResult::Gone;
        else if (result == sys::LineResult::Ok)
            result = sys::LineResult::Failed;
    }
    return result;
}

SerialPort &ledPort()
{
    static SerialPort port;
    return port;
}

namespace {

std::string toUtf8(const std::wstring &text) { return QString::fromStdWString(text).toStdString(); }

}  // namespace

namespace sys {

LineResult SetLedLines(LedLines lines, bool bRaise) { return ledPort().setLines(lines, bRaise); }
bool OpenLedPort(const std::wstring &strPort) { return ledPort().open(toUtf8(strPort)); }
bool LastOpenWasBusy() { return ledPort().lastOpenBusy(); }
OpenFailure LastOpenFailure() { return ledPort().lastFailure(); }
bool IsLedPortOpen() { return ledPort().isOpen(); }
std::wstring LedPortName()
{
    return ledPort().isOpen() ? QString::fromStdString(ledPort().path()).toStdWString() : L"";
}
void CloseLedPort() { ledPort().close(); }
void SetLedLinesAtClose(LedLines lines, bool bRaise) { ledPort().setLinesAtClose(lines, bRaise); }

}  // namespace sys
