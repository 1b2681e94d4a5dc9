#include "core/files/WholeFile.h"

#include <QSaveFile>

bool WriteFileWhole(const QString& strPath, const char* pData, std::size_t nSize,
                    QString& strError, bool* pbOpened) {
    QSaveFile file(strPath);
    const bool bOpened = file.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    if (pbOpened) {
        *pbOpened = bOpened;
    }
    if (!bOpened) {
        strError = file.errorString();
        return false;
    }
    const auto nTotal = static_cast<qint64>(nSize);
    for (qint64 nDone = 0; nDone < nTotal;) {
        // A short write is retried for the rest, which then fails with the reason.
        const qint64 n = file.write(pData + nDone, nTotal - nDone);
        if (n <= 0) {
            strError = file.errorString();
            file.cancelWriting();
            return false;
        }
        nDone += n;
    }
    if (!file.commit()) {
        strError = file.errorString();
        return false;
    }
    strError.clear();
    return true;
}
