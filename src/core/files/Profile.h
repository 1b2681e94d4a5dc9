#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

// The console's settings file, an INI file that operators also edit by hand. It behaves as the
// console's profile always has: section and key names match without regard to case, keys with
// blanks ("Absolute Max Speed") are read as written, and writing one key rewrites that one line
// and keeps every other line, comment and the order of the file.
class CProfile {
public:
    explicit CProfile(QString strPath) : m_strPath(std::move(strPath)) {}

    // ZEF_PROFILE when set, else $XDG_CONFIG_HOME/zef.ini, else ~/.config/zef.ini.
    static QString DefaultPath();

    const QString& Path() const { return m_strPath; }

    // The whole number the key's value starts with ("30 mph" and "30.5" give 30), when it is 0
    // or more and fits 32 bits; the default otherwise (no number first, a minus sign), also when
    // the key or the file is missing.
    std::uint32_t GetProfileInt(std::string_view section, std::string_view key,
                                std::uint32_t nDefault) const;
    // Stores the decimal text of the value. False, with ErrorString() set, when the file could
    // not be written, or exists but could not be read whole; the earlier file is then unchanged
    // and the write-failure handler has been called.
    bool WriteProfileInt(std::string_view section, std::string_view key, int nValue);
    // The key's text with blanks (and one pair of surrounding quotes) removed; nothing when the
    // key is missing or empty.
    std::optional<std::string> GetProfileString(std::string_view section,
                                                std::string_view key) const;
    bool WriteProfileString(std::string_view section, std::string_view key, std::string_view value);

    // The device of port n: key "COM<n>" of section "Ports" when present, else /dev/ttyS<n-1>.
    QString PortDevice(int nPort) const;

    const QString& ErrorString() const { return m_strError; }

    // Called on every write that fails, after ErrorString() has been set.
    void SetWriteFailureHandler(std::function<void(const CProfile&)> fnHandler) {
        m_fnWriteFailed = std::move(fnHandler);
    }

private:
    bool WriteFailed() const;

    QString m_strPath;
    QString m_strError;
    std::function<void(const CProfile&)> m_fnWriteFailed;
};

inline constexpr char PROFILE_SYSTEM[] = "System";
inline constexpr char PROFILE_UNITS[] = "Units";
inline constexpr char PROFILE_MAX_SPEED[] = "Max Speed";
inline constexpr char PROFILE_ABSOLUTE_MAX_SPEED[] = "Absolute Max Speed";
inline constexpr char PROFILE_COM_PORT[] = "COM Port";
inline constexpr char PROFILE_TEST_FOLDER[] = "Test Folder";
inline constexpr char PROFILE_PORTS[] = "Ports";

struct StartupSettings {
    std::int32_t m_bEnglish;
    double m_dMaxSpeed;
};

// "Units" (default 1, 0 meaning Metric) and the maximum speed: "Absolute Max Speed" when
// present, else "Max Speed", else 80.
StartupSettings ReadStartupSettings(const CProfile& profile);
