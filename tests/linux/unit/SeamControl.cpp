// The seam contract tests' controls over the Linux side: the settings and the autostart entry in a
// fresh configuration folder, and ports that are pseudo-terminals reached through links, whose
// modem lines the end-to-end harness's ptyemu, linked in, plays as a USB adapter's (a
// pseudo-terminal has none); its files are kept in the same folder.
#include "tests/seam/SeamControl.h"

#include "core/Platform.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

std::unique_ptr<QTemporaryDir> s_folder;
std::vector<int> s_masters;  // the ports' other ends, which keep them there
std::vector<int> s_holders;  // another program's hold on them, while busy

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

}  // namespace

namespace seam_control {

void Begin()
{
    End();  // whatever the test before left open
    s_folder = std::make_unique<QTemporaryDir>();
    qputenv("XDG_CONFIG_HOME", s_folder->path().toUtf8());
    qputenv("PTYEMU_DIR", s_folder->path().toUtf8());
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

// The adapter is unplugged: its lines fail as a hung-up port's do.
void LoseDevice() { std::ofstream(s_folder->filePath(QStringLiteral("unplugged")).toStdString()); }

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
