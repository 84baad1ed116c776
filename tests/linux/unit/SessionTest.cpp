// Where the Linux edition keeps its settings, and how it starts at login.
#include "linux/system/Session.h"
#include "core/Platform.h"
#include "version.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
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

TEST_F(SessionTest, AnEntryTheDesktopsOwnToolWroteCountsUntilItIsDisabled)
{
    const QString toolEntry = m_config.path() + "/autostart/" LUMIDOT_APP_ID ".desktop";
    QDir().mkpath(m_config.path() + "/autostart");
    QFile entry(toolEntry);
    ASSERT_TRUE(entry.open(QIODevice::WriteOnly));
    entry.write("[Desktop Entry]\nType=Application\nName=Lumidot\nExec=lumidot\n");
    entry.close();
    EXPECT_TRUE(sys::IsStartAtLoginOn());
    ASSERT_TRUE(entry.open(QIODevice::Append));
    entry.write("X-GNOME-Autostart-enabled=false\n");
    entry.close();
    EXPECT_FALSE(sys::IsStartAtLoginOn());

    // Switching it off removes that entry too: the box means "starts at login", whoever wrote it.
    ASSERT_TRUE(entry.open(QIODevice::WriteOnly));
    entry.write("[Desktop Entry]\nExec=lumidot\n");
    entry.close();
    ASSERT_TRUE(sys::SetStartAtLogin(false));
    EXPECT_FALSE(QFile::exists(toolEntry));
}

TEST(DesktopEntryTest, ExecQuotesAndEscapesAsTheDesktopEntryRulesSay)
{
    // Inside quotes \ " ` $ are escaped, % is doubled, then the string's backslashes doubled.
    EXPECT_EQ(execValueOf(R"(/opt/my "app"/a\b$c`d%e)"),
              R"("/opt/my \\"app\\"/a\\\\b\\$c\\`d%%e")");
    for (const QString &program :
         {QStringLiteral("/usr/bin/lumidot"), QStringLiteral(R"(/opt/my "app"/a\b$c`d%e)"),
          QStringLiteral("/home/me/ツール/lumidot")})
        EXPECT_EQ(programOfExec(execValueOf(program)), program) << program.toStdString();
    EXPECT_EQ(programOfExec("lumidot --flag"), "lumidot");
}

// A package upgrade replaces the program while it runs: ticking the box afterwards still names the
// program as it was started, never the gone file.
TEST_F(SessionTest, TheEntryNamesTheProgramAsItWasStartedAfterItsFileIsReplaced)
{
    if (qEnvironmentVariableIsSet("LUMIDOT_SESSION_TEST_REPLACED")) {
        // The copy: its own file is gone, as after an upgrade, when the user ticks the box.
        const QString copy = qEnvironmentVariable("LUMIDOT_SESSION_TEST_REPLACED");
        QFile::remove(copy);
        qputenv("XDG_CONFIG_HOME", QFileInfo(copy).path().toUtf8());
        ASSERT_TRUE(sys::SetStartAtLogin(true));
        return;
    }
    const QString copy = m_config.path() + "/lumidot";
    ASSERT_TRUE(QFile::copy(QFileInfo("/proc/self/exe").canonicalFilePath(), copy));
    QFile::setPermissions(copy, QFile::permissions(copy) | QFileDevice::ExeOwner);
    QProcess run;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("LUMIDOT_SESSION_TEST_REPLACED", copy);
    run.setProcessEnvironment(env);
    run.start(
        copy,
        {"--gtest_filter=SessionTest.TheEntryNamesTheProgramAsItWasStartedAfterItsFileIsReplaced"});
    ASSERT_TRUE(run.waitForFinished(30000));
    EXPECT_EQ(run.exitCode(), 0) << run.readAllStandardOutput().toStdString();
    QFile entry(autostart());
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(entry.readAll());
    EXPECT_TRUE(text.contains("\nTryExec=" + copy + "\n")) << text.toStdString();
    EXPECT_TRUE(text.contains("\nExec=\"" + copy + "\"\n")) << text.toStdString();
}

}  // namespace
