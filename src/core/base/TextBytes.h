#pragma once

#include <QString>
#include <string>

// Comment lines are held and filed as bytes. New ones are written as UTF-8; a line that is not
// valid UTF-8 (a file from an older machine) is read as Latin-1, so no byte is ever lost.
QString TextFromBytes(const std::string& strBytes);
std::string BytesFromText(const QString& strText);
