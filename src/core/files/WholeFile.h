#pragma once

#include <QString>
#include <cstddef>

class QFile;

// Puts a file in place whole or not at all: the bytes go to a temporary file beside it, which
// replaces the file only when every byte reached the disk. On failure any earlier file of that
// name is untouched and strError holds the system's reason.
//
// In a folder where the operator may change the file but not create one, no temporary can be
// made: the write is then refused, with a reason that names the folder, rather than rewriting
// the file in place, which a failure part-way would leave cut short.
//
// The temporary file is written unbuffered: with a buffer, a write the disk cuts short is only
// seen in the final flush, which the replacement does not check, and a cut file would take the
// place of a good one while success is reported.
bool WriteFileWhole(const QString& strPath, const char* pData, std::size_t nSize,
                    QString& strError, bool* pbOpened = nullptr);

// Opens the file named by file.fileName() for reading, unbuffered. Only a regular file is
// opened: a folder, a FIFO or a device is refused with a reason, and opening never waits for a
// writer. pbMissing, when given, tells that nothing of that name exists.
bool OpenRegularFile(QFile& file, QString& strError, bool* pbMissing = nullptr);
