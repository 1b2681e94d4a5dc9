#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <sys/resource.h>

#include "app/Profile.h"

namespace {

class ProfileTest : public ::testing::Test {
protected:
    QString Write(const std::string& strText) {
        QFile file(m_strPath);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(strText.data(), static_cast<qint64>(strText.size()));
        return m_strPath;
    }
    std::string Read() {
        QFile file(m_strPath);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return file.readAll().toStdString();
    }

    QTemporaryDir m_dir;
    QString m_strPath = m_dir.filePath("zef.ini");
    CProfile m_profile{m_strPath};
};

}  // namespace

TEST_F(ProfileTest, ReadsHandWrittenKeysAsOperatorsWriteThem) {
    Write(
        "; lab 3 tunnel\r\n"
        "[Other]\r\nUnits=7\r\n"
        "[ system ]\r\n"
        "  absolute max speed = 100 \r\n"
        "MAX SPEED=60\r\n"
        "Units=0 ; metric for the summer course\r\n"
        "COM Port=3\r\n"
        "[Ports]\r\nCOM3=/dev/ttyUSB0   ; the adapter\r\ncom4 = \"/dev/serial/by-id/usb "
        "tunnel\"\r\n"
        "COM5=/dev/odd;name\r\n");
    EXPECT_EQ(m_profile.GetProfileInt("System", "Absolute Max Speed", 1), 100u);
    EXPECT_EQ(m_profile.GetProfileInt("System", "Max Speed", 1), 60u);
    EXPECT_EQ(m_profile.GetProfileInt("System", "Units", 1), 0u);
    EXPECT_EQ(m_profile.GetProfileInt("SYSTEM", "com port", 0), 3u);
    EXPECT_EQ(m_profile.GetProfileInt("System", "Missing", 42), 42u);
    EXPECT_EQ(m_profile.PortDevice(3), "/dev/ttyUSB0");
    EXPECT_EQ(m_profile.PortDevice(4), "/dev/serial/by-id/usb tunnel");
    EXPECT_EQ(m_profile.PortDevice(5), "/dev/odd;name");  // a semicolon inside a name stays
    EXPECT_EQ(m_profile.PortDevice(1), "/dev/ttyS0");
    EXPECT_EQ(m_profile.PortDevice(12), "/dev/ttyS11");
}

TEST_F(ProfileTest, ValuesThatAreNotWholeNumbersReadAsTheDefault) {
    for (const char* pValue :
         {"-5", "abc", "12.5", "", "4294967296", "99999999999", "+3", "0x10", "; 60", "6 0"}) {
        Write(std::string("[System]\nMax Speed=") + pValue + "\n");
        EXPECT_EQ(m_profile.GetProfileInt("System", "Max Speed", 80), 80u) << pValue;
    }
    Write("[System]\nMax Speed=4294967295\n");
    EXPECT_EQ(m_profile.GetProfileInt("System", "Max Speed", 80), 4294967295u);
}

TEST_F(ProfileTest, StartupSettingsRule) {
    struct Case {
        const char* pText;
        std::int32_t bEnglish;
        double dMaxSpeed;
    } cases[] = {
        {"", 1, 80},
        {"[System]\nAbsolute Max Speed=100\nMax Speed=60\n", 1, 100},
        {"[System]\nMax Speed=60\n", 1, 60},
        {"[System]\nUnits=0\n", 0, 80},
        {"[System]\nUnits=2\n", 2, 80},
        {"[System]\nAbsolute Max Speed=-5\nMax Speed=60\n", 1, 60},
    };
    for (const Case& c : cases) {
        Write(c.pText);
        const StartupSettings settings = ReadStartupSettings(m_profile);
        EXPECT_EQ(settings.m_bEnglish, c.bEnglish) << c.pText;
        EXPECT_EQ(settings.m_dMaxSpeed, c.dMaxSpeed) << c.pText;
    }
    // No file at all.
    CProfile none(m_dir.filePath("absent.ini"));
    EXPECT_EQ(ReadStartupSettings(none).m_dMaxSpeed, 80.0);
}

TEST_F(ProfileTest, WritingOneKeyKeepsEverythingElse) {
    const std::string strBefore =
        "; written by the lab technician\r\n"
        "[System]\r\n"
        "  max speed = 60   \r\n"
        "Absolute Max Speed=100\r\n"
        "; keep this\r\n"
        "\r\n"
        "[Ports]\r\n"
        "COM1=/dev/ttyUSB0\r\n";
    Write(strBefore);
    ASSERT_TRUE(m_profile.WriteProfileInt("System", "Max Speed", 75));
    ASSERT_TRUE(m_profile.WriteProfileInt("SYSTEM", "COM Port", 2));
    ASSERT_TRUE(m_profile.WriteProfileInt("Extra", "Units", 0));
    EXPECT_EQ(Read(),
              "; written by the lab technician\r\n"
              "[System]\r\n"
              "Max Speed=75\r\n"
              "Absolute Max Speed=100\r\n"
              "; keep this\r\n"
              "COM Port=2\r\n"
              "\r\n"
              "[Ports]\r\n"
              "COM1=/dev/ttyUSB0\r\n"
              "[Extra]\r\n"
              "Units=0\r\n");
    EXPECT_EQ(m_profile.GetProfileInt("System", "Max Speed", 1), 75u);
}

TEST_F(ProfileTest, AFreshProfileIsCreatedWithItsFolder) {
    CProfile profile(m_dir.filePath("config/sub/zef.ini"));
    ASSERT_TRUE(profile.WriteProfileInt("System", "COM Port", 1));
    ASSERT_TRUE(profile.WriteProfileInt("System", "Units", 1));
    QFile file(profile.Path());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll().toStdString(), "[System]\nCOM Port=1\nUnits=1\n");

    CProfile blocked(m_strPath + "/below-a-file.ini");
    Write("a file, not a folder\n");
    EXPECT_FALSE(blocked.WriteProfileInt("System", "Units", 1));
    EXPECT_FALSE(blocked.ErrorString().isEmpty());
    EXPECT_EQ(Read(), "a file, not a folder\n");
}

TEST_F(ProfileTest, AWriteTheDiskCutsShortKeepsTheEarlierProfile) {
    const std::string strBefore = "; the lab's settings\n[System]\nUnits=1\nMax Speed=60\n" +
                                  std::string(200, ';') + "\n";
    Write(strBefore);
    // A file-size limit below the new profile's size stands in for a full disk.
    struct rlimit old {};
    getrlimit(RLIMIT_FSIZE, &old);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit tight = old;
    tight.rlim_cur = 100;
    setrlimit(RLIMIT_FSIZE, &tight);
    const bool bWritten = m_profile.WriteProfileInt("System", "COM Port", 3);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(bWritten);
    EXPECT_FALSE(m_profile.ErrorString().isEmpty());
    EXPECT_EQ(Read(), strBefore);
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files), QStringList{"zef.ini"});
}

TEST(ProfilePath, EnvironmentDecidesWhereTheProfileLives) {
    const QByteArray oldProfile = qgetenv("ZEF_PROFILE");
    const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("ZEF_PROFILE", "/tmp/demo/zef.ini");
    EXPECT_EQ(CProfile::DefaultPath(), "/tmp/demo/zef.ini");
    qunsetenv("ZEF_PROFILE");
    qputenv("XDG_CONFIG_HOME", "/home/lab/.cfg");
    EXPECT_EQ(CProfile::DefaultPath(), "/home/lab/.cfg/zef.ini");
    qputenv("XDG_CONFIG_HOME", "");
    EXPECT_EQ(CProfile::DefaultPath(), QDir::homePath() + "/.config/zef.ini");
    qputenv("ZEF_PROFILE", oldProfile);
    qputenv("XDG_CONFIG_HOME", oldConfig);
    if (oldConfig.isEmpty())
        qunsetenv("XDG_CONFIG_HOME");
    if (oldProfile.isEmpty())
        qunsetenv("ZEF_PROFILE");
}
