#include "linux/system/DeviceEvents.h"
#include "linux/system/Ports.h"
#include "linux/system/SerialPort.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QString>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <spawn.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <tuple>
#include <unistd.h>

extern char **environ;

namespace {

namespace fs = std::filesystem;

class TempDir {
public:
    TempDir()
    {
        std::string pattern = (fs::temp_directory_path() / "serialtest-XXXXXX").string();
        if (mkdtemp(pattern.data()))
            m_path = pattern;
    }
    ~TempDir()
    {
        std::error_code ignored;
        fs::remove_all(m_path, ignored);
    }
    const fs::path &path() const { return m_path; }

private:
    fs::path m_path;
};

// Waits for a condition that another process brings about; the bound only keeps a broken run from
// hanging.
template <typename Condition>
bool eventually(Condition condition)
{
    for (int i = 0; i < 1000 && !condition(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return condition();
}

// A pseudo-terminal made by socat, reached through the link `pty`; whatever is written to it ends
// up in the file `far`. Stopping socat closes the master side, which hangs the terminal up as
// unplugging a USB adapter does.
class SocatPty {
public:
    explicit SocatPty(const fs::path &dir, const std::string &name)
        : m_pty((dir / name).string()), m_far((dir / (name + ".far")).string())
    {
        std::string from = "PTY,link=" + m_pty;
        std::string to = "CREATE:" + m_far;
        char socat[] = "socat", unidirectional[] = "-u";
        char *argv[] = {socat, unidirectional, from.data(), to.data(), nullptr};
        if (posix_spawnp(&m_pid, "socat", nullptr, nullptr, argv, environ) != 0)
            m_pid = -1;
        m_ready = m_pid > 0 && eventually([&] { return fs::exists(m_pty) && fs::exists(m_far); });
    }
    ~SocatPty() { stop(); }

    bool ready() const { return m_ready; }
    const std::string &pty() const { return m_pty; }
    const std::string &far() const { return m_far; }

    void stop()
    {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
            m_pid = -1;
        }
    }

private:
    std::string m_pty, m_far;
    pid_t m_pid = -1;
    bool m_ready = false;
};

std::string contents(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// This process's descriptors open on devnode: what a SerialPort holds, seen from outside.
std::vector<int> descriptorsOn(const std::string &devnode)
{
    std::vector<int> fds;
    for (const auto &entry : fs::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        if (fs::read_symlink(entry.path(), error) == devnode)
            fds.push_back(std::stoi(entry.path().filename().string()));
    }
    return fds;
}

int exclusiveFlag(int fd)
{
    int exclusive = -1;
    ioctl(fd, TIOCGEXCL, &exclusive);
    return exclusive;
}

TEST(SerialDeviceTest, OpensRawAt9600EightNOneAndNeverSendsAByte)
{
    TempDir dir;
    SocatPty socat(dir.path(), "led");
    ASSERT_TRUE(socat.ready());

    SerialPort port;
    ASSERT_TRUE(port.open(socat.pty()));
    EXPECT_EQ(port.path(), socat.pty());
    EXPECT_EQ(port.devnode(), fs::canonical(socat.pty()).string());
    const std::vector<int> held = descriptorsOn(port.devnode());
    ASSERT_EQ(held.size(), 1u);
    const int fd = held[0];

    // socat leaves the terminal cooked (echo, canonical input, output processing, 38400 baud).
    termios tio{};
    ASSERT_EQ(tcgetattr(fd, &tio), 0);
    EXPECT_EQ(cfgetospeed(&tio), static_cast<speed_t>(B9600));
    EXPECT_EQ(cfgetispeed(&tio), static_cast<speed_t>(B9600));
    EXPECT_EQ(tio.c_cflag & (CSIZE | PARENB | CSTOPB), static_cast<tcflag_t>(CS8));
    EXPECT_EQ(tio.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
    EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(tio.c_oflag & OPOST, 0u);
    EXPECT_EQ(tio.c_iflag & (ICRNL | IXON | ISTRIP), 0u);
    EXPECT_NE(fcntl(fd, F_GETFD) & FD_CLOEXEC, 0);

    port.setLines(sys::LedLines::Both, true);
    port.setLines(sys::LedLines::Both, false);
    port.close();

    // Bytes pass through the terminal in order: if the marker is the first thing at the far end,
    // nothing came before it.
    const int marker = open(socat.pty().c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(marker, 0);
    ASSERT_EQ(write(marker, "!", 1), 1);
    close(marker);
    ASSERT_TRUE(eventually([&] { return !contents(socat.far()).empty(); }));
    EXPECT_EQ(contents(socat.far()), "!");
}

TEST(SerialDeviceTest, TheSeamNamesTheOpenPortAsChosenNotTheNodeItLeadsTo)
{
    // A by-id link is what the settings keep: named by the node, the port would never be matched
    // again, and every re-check would close and reopen it.
    TempDir dir;
    SocatPty socat(dir.path(), "usb-FTDI_FT232R_A50285BI-if00-port0");
    ASSERT_TRUE(socat.ready());
    ASSERT_TRUE(sys::OpenLedPort(QString::fromStdString(socat.pty()).toStdWString()));
    EXPECT_EQ(QString::fromStdWString(sys::LedPortName()).toStdString(), socat.pty());
    sys::CloseLedPort();
    EXPECT_EQ(sys::LedPortName(), L"");
}

// Runs body in a child process; whether it returned true.
bool inChild(const std::function<bool()> &body)
{
    const pid_t pid = fork();
    if (pid == 0)
        _exit(body() ? 0 : 1);
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST(SerialDeviceTest, NeverBecomesTheControllingTerminalOfASessionWithoutOne)
{
    // Started by a service manager, Lumidot may lead a session without a terminal: the port must
    // not become that terminal, or unplugging it would hang the session up.
    TempDir dir;
    SocatPty socat(dir.path(), "led");
    ASSERT_TRUE(socat.ready());
    EXPECT_TRUE(inChild([&] {
        SerialPort port;
        const bool opened = setsid() >= 0 && port.open(socat.pty());
        return opened && open("/dev/tty", O_RDWR | O_NOCTTY) < 0;
    }));
}

// A port's terminal, and a descriptor of the test's own on it to see it from outside.
class SerialTerminalTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_socat.ready());
        m_outside = open(m_socat.pty().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        ASSERT_GE(m_outside, 0);
    }
    void TearDown() override { close(m_outside); }

    TempDir m_dir;
    SocatPty m_socat{m_dir.path(), "led"};
    int m_outside = -1;
};

TEST_F(SerialTerminalTest, RefusesASessionsTerminalAndWhatIsNoSerialLineWithoutTouchingThem)
{
    termios before{};
    ASSERT_EQ(tcgetattr(m_outside, &before), 0);
    auto refusedAs = [&](const std::string &path, sys::OpenProblem problem) {
        SerialPort port;
        termios after{};
        return !port.open(path) && port.lastFailure().problem == problem && !port.lastOpenBusy() &&
               tcgetattr(m_outside, &after) == 0 && after.c_lflag == before.c_lflag &&
               after.c_cflag == before.c_cflag && exclusiveFlag(m_outside) == 0;
    };

    // The terminal a shell runs in: refused by the shell's own session (where /dev/tty, the alias
    // of one's own terminal, is no serial line either) and by any other.
    EXPECT_TRUE(inChild([&] {
        return setsid() >= 0 && open(m_socat.pty().c_str(), O_RDWR) >= 0 &&
               refusedAs(m_socat.pty(), sys::OpenProblem::SessionTerminal) &&
               refusedAs("/dev/tty", sys::OpenProblem::NotSerial) && inChild([&] {
                   return setsid() >= 0 &&
                          refusedAs(m_socat.pty(), sys::OpenProblem::SessionTerminal);
               });
    }));
    EXPECT_TRUE(refusedAs("/dev/null", sys::OpenProblem::NotSerial));
}

TEST(SerialDeviceTest, IsExclusiveEvenAgainstRootAndCloseReleasesIt)
{
    TempDir dir;
    SocatPty socat(dir.path(), "led");
    SocatPty other(dir.path(), "other");
    ASSERT_TRUE(socat.ready() && other.ready());

    SerialPort first;
    EXPECT_FALSE(first.open(""));
    ASSERT_TRUE(first.open(socat.pty()));
    const std::string devnode = first.devnode();
    ASSERT_EQ(descriptorsOn(devnode).size(), 1u);
    // Other programs than root are turned away by the kernel itself.
    EXPECT_EQ(exclusiveFlag(descriptorsOn(devnode)[0]), 1);

    // The kernel lets root open it again (as this test may run): the device itself must refuse.
    SerialPort second;
    EXPECT_FALSE(second.open(socat.pty()));
    EXPECT_FALSE(second.isOpen());
    EXPECT_EQ(second.lastFailure().problem, sys::OpenProblem::Held);
    EXPECT_EQ(descriptorsOn(devnode).size(), 1u);

    // While open, another port is not even opened, and the open one stays.
    EXPECT_FALSE(first.open(other.pty()));
    EXPECT_TRUE(descriptorsOn(fs::canonical(other.pty()).string()).empty());
    EXPECT_EQ(first.path(), socat.pty());
    EXPECT_EQ(descriptorsOn(devnode).size(), 1u);

    first.close();
    EXPECT_FALSE(first.isOpen());
    EXPECT_TRUE(descriptorsOn(devnode).empty());

    // Other programs hold a port with the lock alone, or with TIOCEXCL alone: either turns us away
    // and their hold stays as it was.
    const int holder = open(socat.pty().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(holder, 0);
    // The pseudo-terminal outlives our close (socat keeps the other end): our flag must not.
    EXPECT_EQ(exclusiveFlag(holder), 0);
    ASSERT_EQ(flock(holder, LOCK_EX | LOCK_NB), 0);
    EXPECT_FALSE(second.open(socat.pty()));
    EXPECT_EQ(exclusiveFlag(holder), 0);
    flock(holder, LOCK_UN);
    ASSERT_EQ(ioctl(holder, TIOCEXCL), 0);
    EXPECT_FALSE(second.open(socat.pty()));
    EXPECT_EQ(exclusiveFlag(holder), 1);
    ioctl(holder, TIOCNXCL);
    close(holder);

    EXPECT_TRUE(second.open(socat.pty()));
}

TEST_F(SerialTerminalTest, APortWithoutRightsNamesTheGroupThatHasThem)
{
    const std::string node = fs::canonical(m_socat.pty()).string();
    ASSERT_EQ(chown(node.c_str(), 0, 20), 0);  // root:dialout, as udev makes a USB adapter's node
    for (const auto &[mode, group] : {std::pair<mode_t, std::wstring>{0660, L"dialout"},
                                      {0620, L""},  // the group may not read it: joining won't help
                                      {0600, L""}}) {
        ASSERT_EQ(chmod(node.c_str(), mode), 0);
        EXPECT_TRUE(inChild([&] {
            SerialPort port;
            return setgid(65534) == 0 && setuid(65534) == 0 && !port.open(node) &&
                   port.lastOpenBusy() &&
                   port.lastFailure().problem == sys::OpenProblem::NoRights &&
                   port.lastFailure().strGroup == group;
        })) << std::oct
            << mode;
    }
}

TEST_F(SerialTerminalTest, AClosedPortKeepsItsLinesRaisedWhereTheyAreTheLedsOffState)
{
    termios tio{};
    ASSERT_EQ(tcgetattr(m_outside, &tio), 0);
    tio.c_cflag |= HUPCL;  // the default of a serial port's driver
    ASSERT_EQ(tcsetattr(m_outside, TCSANOW, &tio), 0);

    // Dropped lines are the off state: the hang-up on close may drop them as it always does.
    // Raised ones must stay raised.
    SerialPort port;
    for (const auto &[lines, bRaised] :
         {std::pair{sys::LedLines::Both, false}, {sys::LedLines::Dtr, true}}) {
        ASSERT_TRUE(port.open(m_socat.pty()));
        port.setLinesAtClose(lines, bRaised);
        port.close();
        ASSERT_EQ(tcgetattr(m_outside, &tio), 0);
        EXPECT_EQ((tio.c_cflag & HUPCL) != 0, !bRaised) << bRaised;
    }
}

TEST(SerialDeviceTest, ARefusedLineChangeIsFailedButAHangUpIsGone)
{
    TempDir dir;
    SocatPty socat(dir.path(), "led");
    ASSERT_TRUE(socat.ready());

    SerialPort port;
    ASSERT_TRUE(port.open(socat.pty()));
    // A pseudo-terminal has no modem lines (ENOTTY): the port is not lost for that.
    EXPECT_EQ(port.setLines(sys::LedLines::Both, true), sys::LineResult::Failed);
    EXPECT_TRUE(port.isOpen());

    socat.stop();
    EXPECT_EQ(port.setLines(sys::LedLines::Both, false), sys::LineResult::Gone);
}

// Stand-ins for device nodes are links to real character devices, which stat() sees through as it
// sees through /dev/serial/by-id links; distinct targets give distinct device numbers.
TEST(SerialPortsTest, ListsPresentDevicesByIdFirstThenUnlinkedNodesInNaturalOrder)
{
    TempDir dir;
    const fs::path dev = dir.path() / "dev";
    fs::create_directories(dev / "serial/by-id");
    fs::create_symlink("/dev/null", dev / "ttyUSB0");
    fs::create_symlink("/dev/zero", dev / "ttyUSB2");
    fs::create_symlink("/dev/full", dev / "ttyUSB10");
    fs::create_symlink("/dev/random", dev / "ttyACM0");
    fs::create_symlink("/dev/null", dev / "ttyS0");
    std::ofstream(dev / "ttyUSB3");  // a plain file is no device
    fs::create_symlink("../../ttyUSB0", dev / "serial/by-id/usb-FTDI_FT232R_A50285BI-if00-port0");
    fs::create_symlink("../../ttyUSB7", dev / "serial/by-id/usb-Prolific_gone-if00-port0");
    const std::string handMade = (dir.path() / "led").string();
    fs::create_symlink("/dev/urandom", handMade);

    const std::string root = dev.string();
    const std::vector<std::tuple<std::string, std::string, bool>> listed = {
        {root + "/serial/by-id/usb-FTDI_FT232R_A50285BI-if00-port0",
         "usb-FTDI_FT232R_A50285BI-if00-port0", true},
        {root + "/ttyUSB2", "ttyUSB2", true},
        {root + "/ttyUSB10", "ttyUSB10", true},
        {root + "/ttyACM0", "ttyACM0", true},
    };
    auto entries = [](const std::vector<SerialPortEntry> &ports) {
        std::vector<std::tuple<std::string, std::string, bool>> result;
        for (const SerialPortEntry &port : ports)
            result.emplace_back(port.path, port.name, port.present);
        return result;
    };
    auto plus = [&](const std::string &path, const std::string &name, bool present) {
        auto more = listed;
        more.emplace_back(path, name, present);
        return more;
    };

    EXPECT_EQ(entries(listSerialPorts(handMade, root)), plus(handMade, handMade, true));
    for (const std::string &configured : {std::string(), root + "/ttyUSB2"})
        EXPECT_EQ(entries(listSerialPorts(configured, root)), listed) << configured;
    // A configured adapter that is unplugged stays choosable, marked, so that a dialog confirmed
    // for another reason keeps it.
    EXPECT_EQ(entries(listSerialPorts(root + "/ttyUSB7", root)),
              plus(root + "/ttyUSB7", "ttyUSB7", false));
    const std::string gone = root + "/serial/by-id/usb-Prolific_gone-if00-port0";
    EXPECT_EQ(entries(listSerialPorts(gone, root)),
              plus(gone, "usb-Prolific_gone-if00-port0", false));
}

TEST(UdevMonitorTest, MatchesTheConfiguredPortByNodeOrAnyOfItsLinks)
{
    TempDir dir;
    const std::string handMade = (dir.path() / "led").string();
    fs::create_symlink("/dev/null", handMade);
    const std::string byId = "/dev/serial/by-id/usb-FTDI_FT232R_A50285BI-if00-port0";
    const std::vector<std::string> links = {
        "/dev/serial/by-path/pci-0000:00:14.0-usb-0:2:1.0-port0", byId};

    EXPECT_TRUE(isSameSerialDevice("/dev/ttyUSB0", "/dev/ttyUSB0", links));
    EXPECT_TRUE(isSameSerialDevice(byId, "/dev/ttyUSB0", links));
    EXPECT_TRUE(isSameSerialDevice(handMade, "/dev/null", {}));
    EXPECT_FALSE(isSameSerialDevice("/dev/ttyUSB1", "/dev/ttyUSB0", links));
    EXPECT_FALSE(isSameSerialDevice(byId, "/dev/ttyACM0", {"/dev/serial/by-id/usb-Arduino-if00"}));
    EXPECT_FALSE(isSameSerialDevice("", "", {}));
}

std::vector<QString> s_messages;
void recordMessage(QtMsgType, const QMessageLogContext &, const QString &message)
{
    s_messages.push_back(message);
}

// Containers have no udev daemon: the monitor must come up anyway, without a word.
TEST(UdevMonitorTest, StartsQuietlyWhereverItRuns)
{
    int argc = 1;
    char name[] = "serial_tests";
    char *argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    TempDir dir;
    const std::string stderrCopy = (dir.path() / "stderr").string();
    s_messages.clear();
    const QtMessageHandler previous = qInstallMessageHandler(recordMessage);
    const int savedStderr = dup(STDERR_FILENO);
    const int capture = open(stderrCopy.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_TRUE(savedStderr >= 0 && capture >= 0);
    dup2(capture, STDERR_FILENO);
    {
        UdevMonitor monitor;
        QCoreApplication::processEvents();
    }
    dup2(savedStderr, STDERR_FILENO);
    close(savedStderr);
    close(capture);
    qInstallMessageHandler(previous);
    EXPECT_TRUE(s_messages.empty());
    EXPECT_EQ(contents(stderrCopy), "");
}

}  // namespace
