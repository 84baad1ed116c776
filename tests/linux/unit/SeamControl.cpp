// The seam contract tests' controls over the Linux side: the settings and the autostart entry in a
// fresh configuration folder, and ports that are pseudo-terminals reached through links, whose
// modem lines the ioctl below plays as a USB adapter's (a pseudo-terminal has none).
#include "tests/seam/SeamControl.h"

#include "core/Platform.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <vector>

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

std::unique_ptr<QTemporaryDir> s_folder;
std::vector<int> s_masters;  // the ports' other ends, which keep them there
std::vector<int> s_holders;  // another program's hold on them, while busy
bool s_bLost = false;        // the adapter is unplugged: its lines fail as a hung-up port's do

std::string LinkOf(int nIndex)
{
    return (s_folder->path() + QStringLiteral("/port%1").arg(nIndex)).toStdString();
}

void MakeLinks()
{
    for (std::size_t i = 0; i < s_masters.size(); ++i) {
        std::error_code error;
        std::filesystem::remove(LinkOf(int(i) + 1), error);
        std::filesystem::create_symlink(ptsname(s_masters[i]), LinkOf(int(i) + 1), error);
    }
}

void CloseAll(std::vector<int> &fds)
{
    for (int fd : fds)
        close(fd);
    fds.clear();
}

bool IsPtySlave(int fd)
{
    struct stat st {};
    return fstat(fd, &st) == 0 && S_ISCHR(st.st_mode) && major(st.st_rdev) >= 136 &&
           major(st.st_rdev) <= 143;
}

}  // namespace

// The modem line requests on a pseudo-terminal answer as an adapter's; everything else goes on to
// the C library.
extern "C" int ioctl(int fd, unsigned long request, ...) noexcept
{
    va_list args;
    va_start(args, request);
    void *arg = va_arg(args, void *);
    va_end(args);
    if ((request == TIOCMBIS || request == TIOCMBIC || request == TIOCMGET) && IsPtySlave(fd)) {
        if (!s_bLost)
            return 0;
        errno = EIO;
        return -1;
    }
    using Ioctl = int (*)(int, unsigned long, void *);
    return reinterpret_cast<Ioctl>(dlsym(RTLD_NEXT, "ioctl"))(fd, request, arg);
}

namespace seam_control {

void Begin()
{
    End();  // whatever the test before left open
    s_folder = std::make_unique<QTemporaryDir>();
    qputenv("XDG_CONFIG_HOME", s_folder->path().toUtf8());
    s_bLost = false;
    for (int i = 0; i < 2; ++i) {
        const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0)
            s_masters.push_back(master);
    }
    MakeLinks();
}

void End()
{
    sys::CloseLedPort();
    sys::ShowCaretLamp(sys::CaretLamp::None);
    CloseAll(s_holders);
    CloseAll(s_masters);
    s_folder.reset();
}

std::wstring Port(int nIndex) { return QString::fromStdString(LinkOf(nIndex)).toStdWString(); }

void FailOpens()
{
    for (int i = 1; i <= 2; ++i)
        unlink(LinkOf(i).c_str());
}

void BusyOpens()
{
    MakeLinks();
    for (int i = 1; i <= 2; ++i) {
        const int holder = open(LinkOf(i).c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (holder >= 0 && flock(holder, LOCK_EX | LOCK_NB) == 0)
            s_holders.push_back(holder);
    }
}

void LoseDevice() { s_bLost = true; }

bool AnswerIme(int, bool) { return false; }
void SilenceIme() {}

bool CaretLampShown()
{
    for (const QWidget *window : QApplication::topLevelWidgets())
        if (window->isVisible())
            return true;
    return false;
}

}  // namespace seam_control

int main(int argc, char **argv)
{
    // The lamp at the caret is a window: on a screen of none.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
