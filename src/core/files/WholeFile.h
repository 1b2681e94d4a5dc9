#pragma once

#include <QString>
#include <cstddef>

// Puts a file in place whole or not at all: the bytes go to a temporary file beside it, which
// replaces the file only when every byte reached the disk. On failure any earlier file of that
// name is untouched and strError holds the system's reason.
//
// The temporary file is written unbuffered: with a buffer, a write the disk cuts short is only
// seen in the final flush, which the replacement does not check, and a cut file would take the
// place of a good one while success is reported.
bool WriteFileWhole(const QString& strPath, const char* pData, std::size_t nSize,
                    QString& strError, bool* pbOpened = nullptr);
