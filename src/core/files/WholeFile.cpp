#include "core/files/WholeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cerrno>
#include <cstring>

bool WriteFileWhole(const QString& strPath, const char* pData, std::size_t nSize,
                    QString& strError, bool* pbOpened) {
    QSaveFile file(strPath);
    // Never written in place: a failure part-way would leave the earlier file cut short.
    file.setDirectWriteFallback(false);
    const bool bOpened = file.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    if (pbOpened) {
        *pbOpened = bOpened;
    }
    if (!bOpened) {
        strError = file.errorString();
        // The usual cause: the new file cannot be made beside the old one. Say so in the
        // operator's words, naming the folder.
        const QString strFolder = QFileInfo(strPath).absolutePath();
        const QByteArray strFolderName = QFile::encodeName(strFolder);
        if (QFileInfo(strFolder).isDir() &&
            ::access(strFolderName.constData(), W_OK | X_OK) != 0) {
            strError = QStringLiteral("The folder \"%1\" takes no new file (%2). A file is "
                                      "saved whole as a new file beside the old one, so "
                                      "nothing can be saved there.")
                           .arg(strFolder, QString::fromLocal8Bit(std::strerror(errno)));
        }
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

bool OpenRegularFile(QFile& file, QString& strError, bool* pbMissing) {
    if (pbMissing) {
        *pbMissing = false;
    }
    const QByteArray strName = QFile::encodeName(file.fileName());
    // Without O_NONBLOCK, opening a FIFO waits for a writer that may never come.
    const int fd = ::open(strName.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        const int nError = errno;
        if (pbMissing) {
            *pbMissing = nError == ENOENT;
        }
        strError = QString::fromLocal8Bit(std::strerror(nError));
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        strError = QString::fromLocal8Bit(std::strerror(errno));
        ::close(fd);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        strError = S_ISDIR(st.st_mode) ? QStringLiteral("It is a folder, not a file.")
                                       : QStringLiteral("It is not a regular file.");
        return false;
    }
    // Reads of a regular file wait for the disk as usual.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (!file.open(fd, QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        strError = file.errorString();
        ::close(fd);
        return false;
    }
    return true;
}
