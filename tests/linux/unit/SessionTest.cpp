// Where the Linux edition keeps its settings, and how it starts at login.
#include "core/Platform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class SessionTest : public ::testing::Test {
protected:
    void SetUp() override { qputenv("XDG_CONFIG_HOME", m_config.path().toUtf8()); }
    void TearDown() override { qunsetenv("XDG_CONFIG_HOME"); }

    QString autostart() const { return m_config.path() + "/autostart/lumidot.desktop"; }

    QTemporaryDir m_config;
};

TEST_F(SessionTest, TheSettingsFileLivesInTheUsersConfigurationFolder)
{
    EXPECT_EQ(QString::fromStdWString(sys::GetIniPath()), m_config.path() + "/lumidot/Lumidot.ini");
    qputenv("XDG_CONFIG_HOME", "relative/is/ignored");
    EXPECT_EQ(QString::fromStdWString(sys::GetIniPath()),
              QDir::homePath() + "/.config/lumidot/Lumidot.ini");
}

TEST_F(SessionTest, StartAtLoginIsAnAutostartEntryRunningThisProgramThatTheDesktopMaySwitchOff)
{
    EXPECT_FALSE(sys::IsStartAtLoginOn());
    ASSERT_TRUE(sys::SetStartAtLogin(true));
    QFile entry(autostart());
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(entry.readAll());
    entry.close();
    const QString self = QFileInfo("/proc/self/exe").canonicalFilePath();
    EXPECT_TRUE(text.contains("\nExec=\"" + self + "\"\n")) << text.toStdString();
    EXPECT_TRUE(sys::IsStartAtLoginOn());

    // A desktop's settings hide an entry rather than delete it; another program's entry is not
    // ours.
    ASSERT_TRUE(entry.open(QIODevice::Append));
    entry.write("Hidden=true\n");
    entry.close();
    EXPECT_FALSE(sys::IsStartAtLoginOn());
    ASSERT_TRUE(entry.open(QIODevice::WriteOnly));
    entry.write("[Desktop Entry]\nExec=\"/opt/other/lumidot\"\n");
    entry.close();
    EXPECT_FALSE(sys::IsStartAtLoginOn());

    ASSERT_TRUE(sys::SetStartAtLogin(false));
    EXPECT_FALSE(QFile::exists(autostart()));
}

}  // namespace
