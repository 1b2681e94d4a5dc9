#include "core/link/DeviceScan.h"

#include <grp.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <map>

#include "core/files/Profile.h"
#include "core/link/SerialPort.h"

namespace {

// A small file of sys, proc or run, whole; empty when it cannot be read.
QByteArray ReadSmallFile(const QString& strPath) {
    QFile file(strPath);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return file.read(64 * 1024);
}

// udev's encoded strings carry a blank and other bytes as "\x20".
QString DecodeUdev(const QByteArray& value) {
    QByteArray out;
    for (qsizetype i = 0; i < value.size(); ++i) {
        bool bHex = false;
        if (value[i] == '\\' && i + 3 < value.size() && value[i + 1] == 'x') {
            const int n = value.mid(i + 2, 2).toInt(&bHex, 16);
            if (bHex) {
                out += static_cast<char>(n);
                i += 3;
                continue;
            }
        }
        out += value[i];
    }
    return QString::fromUtf8(out).simplified();
}

// The maker and model in one line, without saying the same words twice.
QString MakerAndModel(const QString& strMaker, const QString& strModel) {
    if (strMaker.isEmpty() || strModel.startsWith(strMaker)) {
        return strModel;
    }
    return strModel.isEmpty() ? strMaker : strMaker + QLatin1Char(' ') + strModel;
}

QString GroupName(gid_t gid) {
    group grp{};
    group* pResult = nullptr;
    std::vector<char> buf(4096);
    if (getgrgid_r(gid, &grp, buf.data(), buf.size(), &pResult) == 0 && pResult) {
        return QString::fromLocal8Bit(pResult->gr_name);
    }
    return QString::number(gid);
}

bool IsAlive(const QString& strRoot, long nPid) {
    return nPid > 0 && QFileInfo::exists(strRoot + QStringLiteral("proc/%1").arg(nPid));
}

}  // namespace

CDeviceUser CDeviceUser::Current() {
    CDeviceUser user;
    user.m_uid = ::geteuid();
    user.m_pid = ::getpid();
    const int nGroups = ::getgroups(0, nullptr);
    if (nGroups > 0) {
        user.m_groups.resize(static_cast<std::size_t>(nGroups));
        user.m_groups.resize(
            static_cast<std::size_t>(std::max(0, ::getgroups(nGroups, user.m_groups.data()))));
    }
    user.m_groups.push_back(::getegid());
    return user;
}

CDeviceScanner::CDeviceScanner(QString strRoot, CDeviceUser user)
    : m_strRoot(std::move(strRoot)), m_user(std::move(user)) {
    if (!m_strRoot.endsWith(QLatin1Char('/'))) {
        m_strRoot += QLatin1Char('/');
    }
}

QString CDeviceScanner::Local(const QString& strPath) const {
    return m_strRoot + (strPath.startsWith(QLatin1Char('/')) ? strPath.mid(1) : strPath);
}

QString CDeviceScanner::NodeOf(const QString& strPath) const {
    if (strPath.isEmpty()) {
        return {};
    }
    // Links under the root are followed within it: by-id links are relative ("../../ttyUSB0").
    const QString strLocal = QFileInfo(Local(strPath)).canonicalFilePath();
    const QString strRoot = QFileInfo(m_strRoot).canonicalFilePath();
    if (strLocal.isEmpty() || strRoot.isEmpty()) {
        return {};
    }
    if (strRoot == QStringLiteral("/")) {
        return strLocal;
    }
    if (!strLocal.startsWith(strRoot + QLatin1Char('/'))) {
        return {};
    }
    return strLocal.mid(strRoot.size());
}

bool CDeviceScanner::SerialPortPresent(const QString& strNodeName) const {
    // A ttyS node exists for every port the kernel could drive; type 0 means no UART behind it.
    const QByteArray type =
        ReadSmallFile(Local(QStringLiteral("/sys/class/tty/") + strNodeName + "/type")).trimmed();
    return type != "0" && QFileInfo::exists(Local(QStringLiteral("/dev/") + strNodeName));
}

QString CDeviceScanner::Describe(const QString& strNodeName) const {
    const QString strClass = Local(QStringLiteral("/sys/class/tty/") + strNodeName);
    // udev's own words, as it gave them to the by-id names.
    const QByteArray dev = ReadSmallFile(strClass + QStringLiteral("/dev")).trimmed();
    if (!dev.isEmpty()) {
        const QByteArray data =
            ReadSmallFile(Local(QStringLiteral("/run/udev/data/c") + QString::fromLatin1(dev)));
        std::map<QByteArray, QByteArray> env;
        for (const QByteArray& line : data.split('\n')) {
            const qsizetype nEquals = line.indexOf('=');
            if (line.startsWith("E:") && nEquals > 2) {
                env[line.mid(2, nEquals - 2)] = line.mid(nEquals + 1);
            }
        }
        const auto Value = [&env](const char* pszKey) -> QString {
            const auto itEnc = env.find(QByteArray(pszKey) + "_ENC");
            if (itEnc != env.end()) {
                return DecodeUdev(itEnc->second);
            }
            const auto it = env.find(pszKey);
            return it == env.end()
                       ? QString()
                       : QString::fromUtf8(it->second).replace(QLatin1Char('_'), QLatin1Char(' '));
        };
        const QString strText = MakerAndModel(Value("ID_VENDOR"), Value("ID_MODEL"));
        if (!strText.isEmpty()) {
            return strText;
        }
    }
    // Else the strings the USB device reports, on the device above the tty's interface.
    QDir dir(QFileInfo(strClass + QStringLiteral("/device")).canonicalFilePath());
    const QString strSys = QFileInfo(Local(QStringLiteral("/sys"))).canonicalFilePath();
    for (int nUp = 0;
         nUp < 4 && !strSys.isEmpty() && dir.path().startsWith(strSys + QLatin1Char('/')); ++nUp) {
        const QString strMaker =
            QString::fromUtf8(ReadSmallFile(dir.filePath(QStringLiteral("manufacturer"))))
                .simplified();
        const QString strModel =
            QString::fromUtf8(ReadSmallFile(dir.filePath(QStringLiteral("product")))).simplified();
        if (!strMaker.isEmpty() || !strModel.isEmpty()) {
            return MakerAndModel(strMaker, strModel);
        }
        if (!dir.cdUp()) {
            break;
        }
    }
    return {};
}

QString CDeviceScanner::WhyUnusable(const QString& strNode) const {
    const QString strLocal = Local(strNode);
    struct stat st {};
    if (::stat(QFile::encodeName(strLocal).constData(), &st) != 0) {
        return QStringLiteral("cannot be read");
    }
    // Read and write, as the link opens it.
    const bool bGroup = std::find(m_user.m_groups.begin(), m_user.m_groups.end(), st.st_gid) !=
                        m_user.m_groups.end();
    const mode_t nNeed = st.st_uid == m_user.m_uid ? (S_IRUSR | S_IWUSR)
                         : bGroup                  ? (S_IRGRP | S_IWGRP)
                                                   : (S_IROTH | S_IWOTH);
    if (m_user.m_uid != 0 && (st.st_mode & nNeed) != nNeed) {
        const mode_t nGroup = S_IRGRP | S_IWGRP;
        if (!bGroup && (st.st_mode & nGroup) == nGroup) {
            return QStringLiteral("no permission: join group ") + GroupName(st.st_gid);
        }
        return QStringLiteral("no permission");
    }

    // Held by another program: a lock on the node (the console's own kind) ...
    for (const QByteArray& line : ReadSmallFile(Local(QStringLiteral("/proc/locks"))).split('\n')) {
        // "1: FLOCK  ADVISORY  WRITE 1234 fd:00:5678 0 EOF"; waiting locks have "->".
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 6 || fields[1] == "->") {
            continue;
        }
        const QList<QByteArray> id = fields[5].split(':');
        bool bMajor = false;
        bool bMinor = false;
        bool bInode = false;
        if (id.size() == 3 && id[0].toUInt(&bMajor, 16) == major(st.st_dev) &&
            id[1].toUInt(&bMinor, 16) == minor(st.st_dev) &&
            id[2].toULongLong(&bInode) == st.st_ino && bMajor && bMinor && bInode) {
            const long nPid = fields[4].toLong();
            if (nPid != m_user.m_pid) {
                return QStringLiteral("in use by process %1").arg(nPid);
            }
        }
    }
    // ... or the lock file that terminal programs leave while they hold a port.
    const QString strName = QFileInfo(strNode).fileName();
    for (const char* pszDir : {"/run/lock/", "/var/lock/"}) {
        const QByteArray pid =
            ReadSmallFile(Local(QLatin1String(pszDir) + QStringLiteral("LCK..") + strName));
        bool bPid = false;
        const long nPid = pid.trimmed().toLong(&bPid);
        if (bPid && nPid != m_user.m_pid && IsAlive(m_strRoot, nPid)) {
            return QStringLiteral("in use by process %1").arg(nPid);
        }
    }
    return {};
}

std::vector<CSerialDeviceInfo> CDeviceScanner::Scan(const CProfile& profile) const {
    std::vector<CSerialDeviceInfo> devices;
    const auto Add = [&](const QString& strPath, const QString& strNode) {
        CSerialDeviceInfo info;
        info.m_strPath = strPath;
        info.m_strNode = strNode;
        const QString strName = QFileInfo(strNode).fileName();
        info.m_strDescription = Describe(strName);
        info.m_strUnusable = WhyUnusable(strNode);
        devices.push_back(info);
    };
    const QDir byId(Local(QStringLiteral("/dev/serial/by-id")));
    for (const QString& strName : byId.entryList(QDir::Files | QDir::System, QDir::Name)) {
        const QString strPath = QStringLiteral("/dev/serial/by-id/") + strName;
        const QString strNode = NodeOf(strPath);
        if (!strNode.isEmpty()) {
            Add(strPath, strNode);
        }
    }
    const QDir dev(Local(QStringLiteral("/dev")));
    for (const char* pszPattern : {"ttyUSB*", "ttyACM*", "ttyS*"}) {
        QStringList names = dev.entryList({QLatin1String(pszPattern)}, QDir::Files | QDir::System);
        // ttyS2 before ttyS10.
        std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
            return a.size() != b.size() ? a.size() < b.size() : a < b;
        });
        for (const QString& strName : names) {
            if (pszPattern[3] != 'S' || SerialPortPresent(strName)) {
                Add(QStringLiteral("/dev/") + strName, QStringLiteral("/dev/") + strName);
            }
        }
    }
    // Each device with the lowest port number that opens it, by name or through a link.
    for (int nPort = MIN_PORT; nPort <= MAX_PORT; ++nPort) {
        const QString strMapped = profile.PortDevice(nPort);
        const QString strNode = NodeOf(strMapped);
        for (CSerialDeviceInfo& info : devices) {
            if (info.m_nPort == 0 && (info.m_strPath == strMapped ||
                                      (!strNode.isEmpty() && info.m_strNode == strNode))) {
                info.m_nPort = nPort;
            }
        }
    }
    return devices;
}

int CDeviceScanner::LowestFreePort(const CProfile& profile) const {
    for (int nPort = MIN_PORT; nPort <= MAX_PORT; ++nPort) {
        if (profile.GetProfileString(PROFILE_PORTS, "COM" + std::to_string(nPort))) {
            continue;
        }
        if (!SerialPortPresent(QStringLiteral("ttyS%1").arg(nPort - 1))) {
            return nPort;
        }
    }
    return 0;
}

int CDeviceScanner::PortOf(const CProfile& profile, const QString& strPath) const {
    const QString strNode = NodeOf(strPath);
    for (int nPort = MIN_PORT; nPort <= MAX_PORT; ++nPort) {
        const QString strMapped = profile.PortDevice(nPort);
        if (strMapped == strPath || (!strNode.isEmpty() && NodeOf(strMapped) == strNode)) {
            return nPort;
        }
    }
    return 0;
}
