// The settings file as operators edit it by hand, and as the console rewrites it.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QTemporaryDir>

#include "AsOperator.h"
#include "core/files/Profile.h"
#include "core/files/Recovery.h"

namespace {

class ProfileTest : public ::testing::Test {
protected:
    void Write(const std::string& strText) { ASSERT_TRUE(WriteBytes(m_strPath, strText)); }
    std::string Read() { return ReadBytes(m_strPath); }

    QTemporaryDir m_dir;
    QString m_strPath = m_dir.filePath("zef.ini");
    CProfile m_profile{m_strPath};
};

}  // namespace

TEST_F(ProfileTest, ReadsKeysAsWrittenByHandAndTakesTheWholeNumberAValueStartsWith) {
    Write(
        "; lab 3\r\n[Other]\r\nUnits=7\r\n[ system ]\r\n  absolute max speed = 100 \r\n"
        "Units=0 ; metric for the summer course\r\n"
        "[Ports]\r\nCOM3=/dev/ttyUSB0   ; the adapter\r\ncom4 = \"/dev/serial/by-id/usb x\"\r\n"
        "COM5=/dev/odd;name\r\n");
    EXPECT_EQ(m_profile.GetProfileInt("System", "Absolute Max Speed", 1), 100u);
    EXPECT_EQ(m_profile.GetProfileInt("SYSTEM", "units", 1), 0u);
    EXPECT_EQ(m_profile.GetProfileInt("System", "Missing", 42), 42u);
    EXPECT_EQ(m_profile.PortDevice(3), "/dev/ttyUSB0");
    EXPECT_EQ(m_profile.PortDevice(4), "/dev/serial/by-id/usb x");
    EXPECT_EQ(m_profile.PortDevice(5), "/dev/odd;name");  // a semicolon inside a name stays
    EXPECT_EQ(m_profile.PortDevice(12), "/dev/ttyS11");

    // A value is the whole number it starts with; one that starts with none, or is negative or
    // beyond 32 bits, keeps the default of 80.
    const std::pair<const char*, std::uint32_t> values[] = {
        {"30 mph", 30}, {"30.5", 30},  {"6 0", 6},      {"+3", 3},
        {"0x10", 0},    {"007", 7},    {"-5", 80},      {"abc", 80},
        {"mph 30", 80}, {"", 80},      {".5", 80},      {"- 5", 80},
        {"4294967295", 4294967295u},   {"4294967296", 80}, {"99999999999 mph", 80}};
    for (const auto& [pValue, nRead] : values) {
        Write(std::string("[System]\nMax Speed=") + pValue + "\n");
        EXPECT_EQ(m_profile.GetProfileInt("System", "Max Speed", 80), nRead) << pValue;
    }
    // The maximum speed: the absolute one when usable, else Max Speed, else 80. A cap written
    // with its unit holds; a negative one is passed over.
    const std::pair<const char*, double> caps[] = {
        {"Absolute Max Speed=30 mph\nMax Speed=60\n", 30.0},
        {"Absolute Max Speed=30.5\n", 30.0},
        {"Absolute Max Speed=-5\nMax Speed=60\n", 60.0},
        {"Absolute Max Speed=fast\nMax Speed=45mph\n", 45.0},
        {"Units=2\n", 80.0}};
    for (const auto& [pLines, dMax] : caps) {
        Write(std::string("[System]\n") + pLines);
        EXPECT_EQ(ReadStartupSettings(m_profile).m_dMaxSpeed, dMax) << pLines;
    }
    EXPECT_EQ(ReadStartupSettings(m_profile).m_bEnglish, 2);
    Write("[System]\nUnits=0 (metric)\n");
    EXPECT_EQ(ReadStartupSettings(m_profile).m_bEnglish, 0);
    EXPECT_EQ(ReadStartupSettings(CProfile(m_dir.filePath("absent.ini"))).m_dMaxSpeed, 80.0);
}

TEST_F(ProfileTest, WritingOneKeyKeepsEveryOtherLineAndCreatesWhatIsMissing) {
    Write(
        "; by the technician\r\n[System]\r\n  max speed = 60   \r\nAbsolute Max Speed=100\r\n"
        "; keep this\r\n\r\n[Ports]\r\nCOM1=/dev/ttyUSB0\r\n");
    ASSERT_TRUE(m_profile.WriteProfileInt("System", "Max Speed", 75));
    ASSERT_TRUE(m_profile.WriteProfileInt("SYSTEM", "COM Port", 2));
    ASSERT_TRUE(m_profile.WriteProfileInt("Extra", "Units", 0));
    EXPECT_EQ(Read(),
              "; by the technician\r\n[System]\r\nMax Speed=75\r\nAbsolute Max Speed=100\r\n"
              "; keep this\r\nCOM Port=2\r\n\r\n[Ports]\r\nCOM1=/dev/ttyUSB0\r\n"
              "[Extra]\r\nUnits=0\r\n");

    // Each line keeps its own end, a last line without one too; a new line takes the first's.
    Write("[System]\nUnits=1\n; lab\r\nMax Speed=60");
    ASSERT_TRUE(m_profile.WriteProfileInt("System", "Max Speed", 75));
    EXPECT_EQ(Read(), "[System]\nUnits=1\n; lab\r\nMax Speed=75");
    ASSERT_TRUE(m_profile.WriteProfileInt("System", "COM Port", 2));
    EXPECT_EQ(Read(), "[System]\nUnits=1\n; lab\r\nMax Speed=75\nCOM Port=2\n");

    CProfile fresh(m_dir.filePath("config/sub/zef.ini"));
    ASSERT_TRUE(fresh.WriteProfileInt("System", "COM Port", 1));
    EXPECT_EQ(ReadBytes(fresh.Path()), "[System]\nCOM Port=1\n");
}

// A profile that is there but cannot be read is never replaced by one holding a single key; a
// FIFO or a folder in its place is refused at once. Each refusal reaches the handler.
TEST_F(ProfileTest, AProfileThatCannotBeReadIsLeftAsItIs) {
    const std::string strBefore = "[System]\nUnits=0\n[Ports]\nCOM1=/dev/ttyUSB0\n";
    Write(strBefore);
    ASSERT_EQ(chmod(QFile::encodeName(m_dir.path()).constData(), 0777), 0);
    ASSERT_EQ(chmod(QFile::encodeName(m_strPath).constData(), 0), 0);
    const auto written =
        AsOperator([this] { return m_profile.WriteProfileInt("System", "COM Port", 2); });
    if (!written) {
        GTEST_SKIP() << "cannot act as another user";
    }
    EXPECT_FALSE(*written);
    EXPECT_EQ(Read(), strBefore);

    QStringList failures;
    const QString strFolder = m_dir.filePath("folder.ini"), strFifo = m_dir.filePath("fifo.ini");
    ASSERT_TRUE(QDir(m_dir.path()).mkdir("folder.ini"));
    ASSERT_EQ(mkfifo(QFile::encodeName(strFifo).constData(), 0600), 0);
    for (const QString& strPath : {strFolder, strFifo}) {
        CProfile profile(strPath);
        profile.SetWriteFailureHandler([&](const CProfile& failed) {
            failures << failed.Path() + ": " + failed.ErrorString();
        });
        EXPECT_EQ(profile.GetProfileInt("System", "Units", 7), 7u);
        EXPECT_FALSE(profile.WriteProfileInt("System", "Units", 0));
    }
    EXPECT_EQ(failures, (QStringList{strFolder + ": It is a folder, not a file.",
                                     strFifo + ": It is not a regular file."}));
}

// Where the profile and the unsaved test's copy live: ZEF_PROFILE, else the configuration folder;
// the state folder only when absolute; else under the home folder.
TEST(DefaultPaths, TheEnvironmentDecidesWhereTheProfileAndTheCopyLive) {
    const char* const VARS[] = {"ZEF_PROFILE", "XDG_CONFIG_HOME", "XDG_STATE_HOME"};
    QByteArray old[3];
    for (int i = 0; i < 3; ++i)
        old[i] = qgetenv(VARS[i]);
    const QString strHome = QDir::homePath(),
                  strHomeCopy = strHome + "/.local/state/zef/unsaved.ZEF";
    const std::tuple<std::array<const char*, 3>, QString, QString> cases[] = {
        {{"/tmp/demo/zef.ini", "/home/lab/.cfg", "/var/lab/state"},
         "/tmp/demo/zef.ini",
         "/var/lab/state/zef/unsaved.ZEF"},
        {{"", "/home/lab/.cfg", ""}, "/home/lab/.cfg/zef.ini", strHomeCopy},
        {{"", "", "relative/state"}, strHome + "/.config/zef.ini", strHomeCopy}};
    for (const auto& [values, strProfile, strCopy] : cases) {
        for (int i = 0; i < 3; ++i)
            *values[i] ? qputenv(VARS[i], values[i]) : qunsetenv(VARS[i]);
        EXPECT_EQ(CProfile::DefaultPath(), strProfile);
        EXPECT_EQ(CRecovery::DefaultPath(), strCopy) << values[2];
    }
    for (int i = 0; i < 3; ++i)
        old[i].isNull() ? qunsetenv(VARS[i]) : qputenv(VARS[i], old[i]);
}
