#include "core/files/Profile.h"

#include "core/files/WholeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <vector>

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (Lower(a[i]) != Lower(b[i])) {
            return false;
        }
    }
    return true;
}

// The file's lines, each without its line end; each line's own end ("" for a last line without
// one), and the end a new line takes: the file's first, else LF.
struct IniText {
    std::vector<std::string> lines;
    std::vector<std::string> eols;
    std::string strEol = "\n";
};

enum class Loaded { Whole, Absent, Unreadable };

// Reads the whole file; strError says why when it exists but could not be read whole.
Loaded LoadIni(const QString& strPath, IniText& ini, QString* pstrError = nullptr) {
    QFile file(strPath);
    QString strError;
    bool bMissing = false;
    QByteArray data;
    if (OpenRegularFile(file, strError, &bMissing)) {
        char buf[4096];
        qint64 n;
        while ((n = file.read(buf, sizeof buf)) > 0) {
            data.append(buf, n);
        }
        if (n == 0) {
            strError.clear();
        } else {
            strError = file.errorString();
        }
    } else if (bMissing) {
        return Loaded::Absent;
    }
    if (!strError.isEmpty()) {
        if (pstrError) {
            *pstrError = strError;
        }
        return Loaded::Unreadable;
    }
    std::string_view text(data.constData(), static_cast<std::size_t>(data.size()));
    bool bFirst = true;
    while (!text.empty()) {
        std::size_t n = text.find('\n');
        std::string_view line = text.substr(0, n);
        std::string strEol = n == std::string_view::npos ? "" : "\n";
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
            strEol.insert(0, 1, '\r');
        }
        if (bFirst && !strEol.empty() && strEol != "\r") {
            ini.strEol = strEol;
            bFirst = false;
        }
        ini.lines.emplace_back(line);
        ini.eols.push_back(std::move(strEol));
        if (n == std::string_view::npos) {
            break;
        }
        text.remove_prefix(n + 1);
    }
    return Loaded::Whole;
}

// A section header's name, or nothing when the line is not one.
std::optional<std::string_view> SectionName(std::string_view line) {
    line = Trim(line);
    if (line.empty() || line.front() != '[') {
        return std::nullopt;
    }
    line.remove_prefix(1);
    std::size_t n = line.find(']');
    return Trim(line.substr(0, n));
}

// A key line's name and value, or nothing for comments and lines without "=".
bool SplitKeyLine(std::string_view line, std::string_view& key, std::string_view& value) {
    std::string_view t = Trim(line);
    if (t.empty() || t.front() == ';') {
        return false;
    }
    std::size_t n = t.find('=');
    if (n == std::string_view::npos) {
        return false;
    }
    key = Trim(t.substr(0, n));
    value = Trim(t.substr(n + 1));
    return true;
}

// Where a section starts (its header line) and ends (one past its last line).
struct SectionSpan {
    std::size_t nHeader = std::string::npos;
    std::size_t nEnd = 0;
};

SectionSpan FindSection(const IniText& ini, std::string_view section) {
    SectionSpan span;
    for (std::size_t i = 0; i < ini.lines.size(); ++i) {
        auto name = SectionName(ini.lines[i]);
        if (!name) {
            continue;
        }
        if (span.nHeader != std::string::npos) {
            span.nEnd = i;
            return span;
        }
        if (SameName(*name, section)) {
            span.nHeader = i;
        }
    }
    span.nEnd = ini.lines.size();
    return span;
}

// A value without a comment after it: a semicolon at the start or after a blank begins one.
std::string_view WithoutComment(std::string_view value) {
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == ';' && (i == 0 || IsBlank(value[i - 1]))) {
            return Trim(value.substr(0, i));
        }
    }
    return value;
}

std::optional<std::string> FindValue(const IniText& ini, std::string_view section,
                                     std::string_view key) {
    SectionSpan span = FindSection(ini, section);
    if (span.nHeader == std::string::npos) {
        return std::nullopt;
    }
    for (std::size_t i = span.nHeader + 1; i < span.nEnd; ++i) {
        std::string_view k, v;
        if (SplitKeyLine(ini.lines[i], k, v) && SameName(k, key)) {
            return std::string(WithoutComment(v));
        }
    }
    return std::nullopt;
}

}  // namespace

QString CProfile::DefaultPath() {
    const QString strProfile = qEnvironmentVariable("ZEF_PROFILE");
    if (!strProfile.isEmpty()) {
        return strProfile;
    }
    QString strConfig = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (strConfig.isEmpty()) {
        strConfig = QDir::homePath() + QStringLiteral("/.config");
    }
    return strConfig + QStringLiteral("/zef.ini");
}

std::uint32_t CProfile::GetProfileInt(std::string_view section, std::string_view key,
                                      std::uint32_t nDefault) const {
    IniText ini;
    if (LoadIni(m_strPath, ini) != Loaded::Whole) {
        return nDefault;
    }
    auto value = FindValue(ini, section, key);
    if (!value) {
        return nDefault;
    }
    // The whole number the value starts with, as the settings have always been read: "30 mph"
    // and "30.5" are 30. A lab's hand-written cap must not be passed over for the unit after it.
    std::string_view text = *value;
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    std::uint64_t nValue = 0;
    std::size_t nDigits = 0;
    for (; nDigits < text.size() && text[nDigits] >= '0' && text[nDigits] <= '9'; ++nDigits) {
        nValue = nValue * 10 + static_cast<unsigned>(text[nDigits] - '0');
        if (nValue > UINT32_MAX) {
            return nDefault;
        }
    }
    // No number at all, or a negative one, keeps the default.
    return nDigits == 0 ? nDefault : static_cast<std::uint32_t>(nValue);
}

std::optional<std::string> CProfile::GetProfileString(std::string_view section,
                                                      std::string_view key) const {
    IniText ini;
    if (LoadIni(m_strPath, ini) != Loaded::Whole) {
        return std::nullopt;
    }
    auto value = FindValue(ini, section, key);
    if (!value) {
        return std::nullopt;
    }
    std::string strValue = *value;
    if (strValue.size() >= 2 && strValue.front() == '"' && strValue.back() == '"') {
        strValue = strValue.substr(1, strValue.size() - 2);
    }
    if (strValue.empty()) {
        return std::nullopt;
    }
    return strValue;
}

bool CProfile::WriteProfileInt(std::string_view section, std::string_view key, int nValue) {
    return WriteProfileString(section, key, std::to_string(nValue));
}

bool CProfile::WriteProfileString(std::string_view section, std::string_view key,
                                  std::string_view value) {
    // A file that exists but was not read whole is left alone: written back, it would hold only
    // this key. A missing file is written new.
    IniText ini;
    QString strReadError;
    if (LoadIni(m_strPath, ini, &strReadError) == Loaded::Unreadable) {
        // "It is a folder, not a file." says it all; a system reason needs the context.
        m_strError = strReadError.startsWith(QStringLiteral("It "))
                         ? strReadError
                         : QStringLiteral("It cannot be read: %1.").arg(strReadError);
        return WriteFailed();
    }
    std::string strLine(key);
    strLine += '=';
    strLine += value;

    // A new line takes the file's line end; a last line without one gets it too, as the new
    // line may follow it.
    auto insert = [&ini](std::size_t nAt, std::string strNew) {
        if (nAt > 0 && ini.eols[nAt - 1].empty()) {
            ini.eols[nAt - 1] = ini.strEol;
        }
        ini.lines.insert(ini.lines.begin() + static_cast<std::ptrdiff_t>(nAt), std::move(strNew));
        ini.eols.insert(ini.eols.begin() + static_cast<std::ptrdiff_t>(nAt), ini.strEol);
    };
    SectionSpan span = FindSection(ini, section);
    if (span.nHeader == std::string::npos) {
        std::string strHeader = "[";
        strHeader += section;
        strHeader += ']';
        insert(ini.lines.size(), std::move(strHeader));
        insert(ini.lines.size(), strLine);
    } else {
        bool bReplaced = false;
        for (std::size_t i = span.nHeader + 1; i < span.nEnd; ++i) {
            std::string_view k, v;
            if (SplitKeyLine(ini.lines[i], k, v) && SameName(k, key)) {
                ini.lines[i] = strLine;
                bReplaced = true;
                break;
            }
        }
        if (!bReplaced) {
            // After the section's last line that is not blank.
            std::size_t nAt = span.nEnd;
            while (nAt > span.nHeader + 1 && Trim(ini.lines[nAt - 1]).empty()) {
                --nAt;
            }
            insert(nAt, strLine);
        }
    }

    std::string strText;
    for (std::size_t i = 0; i < ini.lines.size(); ++i) {
        strText += ini.lines[i];
        strText += ini.eols[i];
    }

    QDir().mkpath(QFileInfo(m_strPath).absolutePath());
    if (!WriteFileWhole(m_strPath, strText.data(), strText.size(), m_strError)) {
        return WriteFailed();
    }
    return true;
}

bool CProfile::WriteFailed() const {
    if (m_fnWriteFailed) {
        m_fnWriteFailed(*this);
    }
    return false;
}

QString CProfile::PortDevice(int nPort) const {
    if (auto device = GetProfileString(PROFILE_PORTS, "COM" + std::to_string(nPort))) {
        return QString::fromLocal8Bit(device->c_str());
    }
    return QStringLiteral("/dev/ttyS%1").arg(nPort - 1);
}

StartupSettings ReadStartupSettings(const CProfile& profile) {
    StartupSettings settings;
    settings.m_bEnglish =
        static_cast<std::int32_t>(profile.GetProfileInt(PROFILE_SYSTEM, PROFILE_UNITS, 1));
    const std::uint32_t nMaxSpeed = profile.GetProfileInt(PROFILE_SYSTEM, PROFILE_MAX_SPEED, 80);
    settings.m_dMaxSpeed =
        profile.GetProfileInt(PROFILE_SYSTEM, PROFILE_ABSOLUTE_MAX_SPEED, nMaxSpeed);
    return settings;
}
