#pragma once

// Files as an operator meets them: their bytes, and permissions checked for a user who is not
// root (root passes every check, so such work runs in a child process as the user nobody).

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>

// The file's bytes, or strMissing when it cannot be read.
inline std::string ReadBytes(const QString& strPath, const std::string& strMissing = "(none)") {
    QFile file(strPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : strMissing;
}

// The file made (its folder too) or replaced to hold strBytes.
inline bool WriteBytes(const QString& strPath, const std::string& strBytes) {
    QDir().mkpath(QFileInfo(strPath).absolutePath());
    QFile file(strPath);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(strBytes.data(), static_cast<qint64>(strBytes.size())) ==
               static_cast<qint64>(strBytes.size());
}

// fnWork's answer, run as nobody (or here, for a user who is not root); nothing when the user
// could not be changed.
inline std::optional<bool> AsOperator(const std::function<bool()>& fnWork) {
    if (geteuid() != 0) {
        return fnWork();
    }
    constexpr unsigned NOBODY = 65534;
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid < 0) {
        return std::nullopt;
    }
    if (pid == 0) {
        if (setgroups(0, nullptr) != 0 || setresgid(NOBODY, NOBODY, NOBODY) != 0 ||
            setresuid(NOBODY, NOBODY, NOBODY) != 0) {
            _exit(2);
        }
        _exit(fnWork() ? 0 : 1);
    }
    int nStatus = 0;
    if (waitpid(pid, &nStatus, 0) != pid || !WIFEXITED(nStatus) || WEXITSTATUS(nStatus) == 2) {
        return std::nullopt;
    }
    return WEXITSTATUS(nStatus) == 0;
}
