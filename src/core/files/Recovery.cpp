#include "core/files/Recovery.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <memory>

#include "core/files/TestFile.h"
#include "core/record/TestRecord.h"

bool HoldsPoints(const TestRecord& rec) {
    const auto& lift = rec.m_lift.m_dValue;
    return std::any_of(lift.begin() + 1, lift.end(), [](double d) { return d != EMPTY_SLOT; });
}

CRecovery::CRecovery(QString strPath, std::function<std::int64_t()> fnClock)
    : m_strPath(std::move(strPath)), m_fnClock(std::move(fnClock)) {}

QString CRecovery::DefaultPath() {
    QString strState = qEnvironmentVariable("XDG_STATE_HOME");
    // A relative setting is to be ignored, as for the other base folders.
    if (strState.isEmpty() || QDir::isRelativePath(strState)) {
        strState = QDir::homePath() + QStringLiteral("/.local/state");
    }
    return strState + QStringLiteral("/zef/unsaved.ZEF");
}

void CRecovery::PointRecorded() {
    m_bUnsaved = true;
    if (m_tDeadline == NO_DEADLINE) {
        m_tDeadline = m_fnClock() + WRITE_DELAY_MS;
    }
}

bool CRecovery::Due() const {
    return m_tDeadline != NO_DEADLINE && m_fnClock() >= m_tDeadline;
}

void CRecovery::BeforeTick(const TestRecord& rec) {
    m_nLastSlot = rec.m_nLastSlot;
    m_dLastLift = rec.m_lift.m_dValue[m_nLastSlot];
    m_dLastDrag = rec.m_drag.m_dValue[m_nLastSlot];
}

bool CRecovery::AfterTick(const TestRecord& rec, bool bRunEnded) {
    const int nSlot = rec.m_nLastSlot;
    // A reading always lands on the last slot; the same numbers again add nothing.
    const bool bRecorded = nSlot != m_nLastSlot || rec.m_lift.m_dValue[nSlot] != m_dLastLift ||
                           rec.m_drag.m_dValue[nSlot] != m_dLastDrag;
    if (bRecorded) {
        PointRecorded();
    }
    if (bRunEnded || Due()) {
        Write(rec);
    }
    return bRecorded;
}

bool CRecovery::Write(const TestRecord& rec) {
    if (m_bHeld) {
        return true;
    }
    m_tDeadline = NO_DEADLINE;
    if (!m_bUnsaved || !HoldsPoints(rec)) {
        return true;
    }
    QDir().mkpath(QFileInfo(m_strPath).absolutePath());
    const FileResult result = WriteTestFile(rec, m_strPath);
    m_strError = result.strError;
    return result.Ok();
}

void CRecovery::Saved() {
    m_bUnsaved = false;
    m_tDeadline = NO_DEADLINE;
    if (!m_bHeld) {
        Remove();
    }
}

bool CRecovery::Remove() const {
    return QFile::remove(m_strPath) || !QFileInfo::exists(m_strPath);
}

namespace {

// The name an unreadable copy is kept under: its own time, and a count when that is taken.
QString AsideName(const QFileInfo& info) {
    const QString strStem = info.dir().filePath(
        info.completeBaseName() + info.lastModified().toString(QStringLiteral("-yyyyMMdd-HHmmss")));
    QString strName = strStem + QStringLiteral(".ZEF");
    for (int n = 2; QFileInfo::exists(strName); ++n) {
        strName = strStem + QStringLiteral("-%1.ZEF").arg(n);
    }
    return strName;
}

// The file is what the writer gives for what the reader took from it: nothing was cut or
// garbled. The reading at rest is the one line that may differ, as Open always sets it to zero.
bool ReadsBackWhole(const TestRecord& rec, std::string_view bytes) {
    const std::string strAgain = FormatTestFile(rec);
    std::string_view again = strAgain;
    while (!again.empty() && !bytes.empty()) {
        const std::size_t nAgain = again.find("\r\n");
        const std::size_t nBytes = bytes.find("\r\n");
        if (nAgain == std::string_view::npos || nBytes == std::string_view::npos) {
            break;
        }
        const std::string_view lineAgain = again.substr(0, nAgain);
        const std::string_view line = bytes.substr(0, nBytes);
        if (line != lineAgain && !(line.starts_with("+0, ") && lineAgain.starts_with("+0, "))) {
            return false;
        }
        again.remove_prefix(nAgain + 2);
        bytes.remove_prefix(nBytes + 2);
    }
    return again.empty() && bytes.empty();
}

}  // namespace

CRecovery::Found CRecovery::Look(TestRecord& rec) const {
    const QFileInfo info(m_strPath);
    if (!info.exists()) {
        return {};
    }
    QString strReason;
    QFile file(m_strPath);
    if (!file.open(QIODevice::ReadOnly)) {
        strReason = file.errorString();
    } else {
        const QByteArray bytes = file.readAll();
        if (file.error() != QFileDevice::NoError) {
            strReason = file.errorString();
        } else {
            auto pScratch = std::make_unique<TestRecord>(rec);
            CMemoryByteReader reader(bytes.constData(), static_cast<std::size_t>(bytes.size()));
            const FileResult result = ReadTestFile(*pScratch, reader);
            // The copy is only ever written whole by this program: anything but exactly what
            // it would write for what was read is a cut or damaged file.
            if (result.status == FileStatus::NotTestFile) {
                strReason = QStringLiteral("It is not a Zefron test file.");
            } else if (!result.Whole() ||
                       !ReadsBackWhole(*pScratch,
                                       std::string_view(bytes.constData(), bytes.size()))) {
                strReason = QStringLiteral("It is incomplete or damaged.");
            } else if (!HoldsPoints(*pScratch)) {
                Remove();
                return {};
            } else {
                rec = std::move(*pScratch);
                return {Found::TEST, {}, {}};
            }
        }
    }
    file.close();
    const QString strAside = AsideName(info);
    const bool bMoved = QFile::rename(m_strPath, strAside);
    return {Found::KEPT_ASIDE, bMoved ? strAside : QString(), strReason};
}
