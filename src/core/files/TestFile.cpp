#include "core/files/TestFile.h"

#include "core/files/WholeFile.h"

#include <QFile>
#include <algorithm>
#include <bitset>
#include <cmath>
#include <memory>
#include <optional>

#include "core/base/NumberText.h"
#include "core/record/TestRecord.h"

namespace {

constexpr char MAGIC[] = "ZEF\r\n";
constexpr int MAGIC_LENGTH = 5;

class CFileByteReader : public CByteReader {
public:
    explicit CFileByteReader(QFile& file) : m_file(file) {}

protected:
    std::int64_t ReadChunk(char* pBuf, std::int64_t nMax) override {
        return m_file.read(pBuf, nMax);
    }

private:
    QFile& m_file;
};

bool EqualsIgnoringCase(const std::string& a, const char* b) {
    std::size_t i = 0;
    for (; i < a.size() && b[i]; ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) {
            return false;
        }
    }
    return i == a.size() && b[i] == 0;
}

bool IsScanSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The area line, scanned as "Cd Area = %lf": a blank in the pattern matches any run of white
// space, none included. Nothing unless the number is one the writer would write back whole.
std::optional<double> ScanAreaLine(const std::string& strLine) {
    static constexpr char PATTERN[] = "Cd Area = ";
    std::size_t i = 0;
    for (const char* p = PATTERN; *p; ++p) {
        if (*p == ' ') {
            while (i < strLine.size() && IsScanSpace(strLine[i])) {
                ++i;
            }
        } else if (i < strLine.size() && strLine[i] == *p) {
            ++i;
        } else {
            return std::nullopt;
        }
    }
    auto dArea = LeadingNumber(std::string_view(strLine).substr(i));
    if (!dArea || !AreaFitsFileLine(*dArea)) {
        return std::nullopt;
    }
    return dArea;
}

struct Point {
    double dWind, dLift, dDrag;
};

// A point line, "%lf, %lf, %lf": wind, lift, drag. Nothing unless the wind has a slot and the
// point, written again, gives a line the reader takes back (a lift that is the tables' mark of
// an empty slot would not be written at all).
std::optional<Point> ScanPointLine(const std::string& strLine) {
    if (strLine.find('\0') != std::string::npos) {
        return std::nullopt;  // a NUL is no part of a text file: the line is damaged
    }
    const auto values = ScanThreeNumbers(strLine);
    if (!values) {
        return std::nullopt;
    }
    const Point pt{(*values)[0], (*values)[1], (*values)[2]};
    const int nSlot = SlotOfSpeed(pt.dWind);
    if (!IsSlot(nSlot) || pt.dLift == EMPTY_SLOT ||
        !PointFitsFileLine(nSlot, pt.dLift, pt.dDrag)) {
        return std::nullopt;
    }
    return pt;
}

void StorePoint(TestRecord& rec, const Point& pt) {
    const int nSlot = SlotOfSpeed(pt.dWind);
    rec.StoreReading(nSlot, pt.dWind, pt.dLift, pt.dDrag);
    if (nSlot == 0) {
        // The zero point is always zero.
        rec.m_lift.m_dValue[0] = rec.m_drag.m_dValue[0] = 0.0;
        rec.m_cd.m_dValue[0] = rec.m_ld.m_dValue[0] = 0.0;
    }
}

// Reads a test file into rec (a scratch copy of the current test); result gets what the file
// lacked.
FileStatus ReadInto(TestRecord& rec, CByteReader& file, FileResult& result) {
    char magic[MAGIC_LENGTH];
    for (int i = 0; i < MAGIC_LENGTH; ++i) {
        const int c = file.Get();
        if (c == CByteReader::ERROR) {
            return FileStatus::ReadError;
        }
        if (c == CByteReader::END) {
            return FileStatus::NotTestFile;
        }
        magic[i] = static_cast<char>(c);
    }
    if (std::string_view(magic, MAGIC_LENGTH) != std::string_view(MAGIC, MAGIC_LENGTH)) {
        return FileStatus::NotTestFile;
    }

    for (CurveTable* pTable : {&rec.m_lift, &rec.m_drag, &rec.m_cd, &rec.m_ld}) {
        pTable->m_dValue.fill(EMPTY_SLOT);
        pTable->m_dValue[0] = 0.0;
    }

    std::string strLine;
    LineEnd end;
    ReadLine(file, strLine);
    rec.m_bEnglish = EqualsIgnoringCase(strLine, "Units= Metric") ? 0 : 1;

    ReadLine(file, strLine, &end);
    // An area line cut by the end of the file may have lost digits.
    const auto dArea = end.bBreak && !end.bTooLong ? ScanAreaLine(strLine) : std::nullopt;
    if (dArea) {
        rec.m_dCdArea = *dArea;
    } else {
        result.bAreaUnread = true;
        result.nUnreadable += end.bBreak ? 1 : 0;
    }
    rec.ApplyUnitScales();

    ReadLine(file, strLine);  // "Comment Text="
    ReadLine(file, strLine);  // "["
    for (auto& strComment : rec.m_strComment) {
        ReadLine(file, strLine, &end);
        result.nUnreadable += end.bTooLong ? 1 : 0;
        strComment = strLine;
        BlankControlCharacters(strComment);
    }
    ReadLine(file, strLine);  // "]"
    ReadLine(file, strLine);  // "Wind, Lift, Drag="

    // Line 18, "[", is examined as a point like the lines after it; an empty one means no
    // points. The points end at an empty line; after the closing "]" they go on, as they
    // always have.
    bool bPoints = ReadLine(file, strLine, &end) > 0;
    bool bClosed = false;
    std::bitset<SLOT_COUNT> stored;
    while (end.bBreak || !strLine.empty() || end.bTooLong) {
        if (strLine == "]") {
            bClosed = true;
        } else if (strLine.empty()) {
            bPoints = false;
        } else if (strLine != "[") {
            auto pt = bPoints && !end.bTooLong ? ScanPointLine(strLine) : std::nullopt;
            // A last line without its line end may have been cut inside a number: it is taken
            // only when it is exactly what the writer writes for the point it shows.
            if (pt && !end.bBreak &&
                FormatPointLine(SlotOfSpeed(pt->dWind), pt->dLift, pt->dDrag) != strLine) {
                pt.reset();
            }
            if (pt) {
                StorePoint(rec, *pt);
                stored.set(static_cast<std::size_t>(SlotOfSpeed(pt->dWind)));
            } else if (end.bBreak || bClosed) {
                ++result.nUnreadable;
            }
        }
        if (!end.bBreak) {
            break;
        }
        ReadLine(file, strLine, &end);
    }
    result.nPoints = static_cast<int>(stored.count());
    result.bIncomplete = !bClosed;
    return file.Failed() ? FileStatus::ReadError : FileStatus::Ok;
}

}  // namespace

void ReapplyRanges(TestRecord& rec) {
    rec.SetSpeedRange(rec.m_axisWind.m_nRange);
    rec.SetForceRange(rec.m_axisForce.m_nRange);
    rec.SetCdRange(rec.m_axisCd.m_nRange);
    rec.SetLDRange(rec.m_axisLD.m_nRange);
}

bool CByteReader::Refill() {
    if (m_bFailed || m_bEnded) {
        return false;
    }
    const std::int64_t n = ReadChunk(m_buf, sizeof m_buf);
    if (n < 0) {
        m_bFailed = true;
        return false;
    }
    if (n == 0) {
        m_bEnded = true;
        return false;
    }
    m_nPos = 0;
    m_nLen = n;
    return true;
}

std::int64_t CMemoryByteReader::ReadChunk(char* pBuf, std::int64_t nMax) {
    const std::size_t n = std::min<std::size_t>(m_nLeft, static_cast<std::size_t>(nMax));
    std::copy(m_pData, m_pData + n, pBuf);
    m_pData += n;
    m_nLeft -= n;
    return static_cast<std::int64_t>(n);
}

int CByteReader::GetUntilLineBreak(std::string& strLine, std::size_t nRoom, bool* pbOver) {
    for (;;) {
        if (m_nPos == m_nLen && !Refill()) {
            return m_bFailed ? ERROR : END;
        }
        const char* pBegin = m_buf + m_nPos;
        const char* pEnd = m_buf + m_nLen;
        const char* p = pBegin;
        while (p != pEnd && *p != '\n' && *p != '\r') {
            ++p;
        }
        const std::size_t nFree = nRoom > strLine.size() ? nRoom - strLine.size() : 0;
        const auto nFound = static_cast<std::size_t>(p - pBegin);
        if (pbOver && nFound > nFree) {
            *pbOver = true;
        }
        strLine.append(pBegin, std::min<std::size_t>(nFree, nFound));
        m_nPos += p - pBegin;
        if (p != pEnd) {
            ++m_nPos;
            return static_cast<unsigned char>(*p);
        }
    }
}

int ReadLine(CByteReader& file, std::string& strLine, LineEnd* pEnd) {
    strLine.clear();
    LineEnd end;
    for (;;) {
        int c = file.GetUntilLineBreak(strLine, LINE_LIMIT, &end.bTooLong);
        if (c == '\r') {
            c = file.Get();  // taken as it is, even another CR
            if (c >= 0 && c != '\n') {
                if (static_cast<int>(strLine.size()) < LINE_LIMIT) {
                    strLine.push_back(static_cast<char>(c));
                } else {
                    end.bTooLong = true;
                }
            }
        }
        if (c < 0 || c == '\n') {
            end.bBreak = c == '\n';
            break;
        }
    }
    if (pEnd) {
        *pEnd = end;
    }
    return static_cast<int>(strLine.size());
}

std::string FormatAreaLine(double dArea) {
    return "Cd Area = " + FormatFixed(dArea, 6) + " sq.in.";
}

std::string FormatPointLine(int nSlot, double dLift, double dDrag) {
    return FormatSignedG(nSlot * 0.1) + ", " + FormatFixed(dLift, 6, 0, true) + ", " +
           FormatFixed(dDrag, 6, 0, true);
}

bool AreaFitsFileLine(double dArea) {
    // Well past any area (1e90 sq. in. needs 90 digits): the printed length is found only
    // for numbers that could come near the limit.
    return std::isfinite(dArea) &&
           (std::fabs(dArea) < 1e15 || FormatAreaLine(dArea).size() <= LINE_LIMIT);
}

bool PointFitsFileLine(int nSlot, double dLift, double dDrag) {
    return std::isfinite(dLift) && std::isfinite(dDrag) &&
           ((std::fabs(dLift) < 1e15 && std::fabs(dDrag) < 1e15) ||
            FormatPointLine(nSlot, dLift, dDrag).size() <= LINE_LIMIT);
}

QStringList DescribeShortfall(const FileResult& result) {
    QStringList lines;
    if (!result.Ok() || result.Whole()) {
        return lines;
    }
    if (result.bIncomplete) {
        lines << QStringLiteral("It is incomplete: it ends before its closing line.");
    }
    lines << (result.nPoints == 1 ? QStringLiteral("1 point was read from it.")
                                  : QStringLiteral("%1 points were read from it.")
                                        .arg(result.nPoints));
    if (result.nUnreadable > 0) {
        lines << (result.nUnreadable == 1
                      ? QStringLiteral("1 line could not be read and was passed over.")
                      : QStringLiteral("%1 lines could not be read and were passed over.")
                            .arg(result.nUnreadable));
    }
    if (result.bAreaUnread) {
        lines << QStringLiteral("Its Cd area could not be read: the area set before is kept.");
    }
    return lines;
}

std::string FormatTestFile(const TestRecord& rec) {
    std::string out;
    out.reserve(64 * 1024);
    out += MAGIC;
    out += rec.m_bEnglish ? "Units= English\r\n" : "Units= Metric\r\n";
    out += FormatAreaLine(rec.m_dCdArea) + "\r\n";
    out += "Comment Text=\r\n[\r\n";
    for (const auto& strComment : rec.m_strComment) {
        // Whoever filled it, a comment holds one line of the file: a line break in it would
        // move every later line.
        const std::size_t nAt = out.size();
        out += strComment;
        BlankControlCharacters(out, nAt);
        out += "\r\n";
    }
    out += "]\r\nWind, Lift, Drag=\r\n[\r\n";
    for (int i = 0; i <= LAST_SLOT; ++i) {
        if (rec.m_lift.m_dValue[i] == EMPTY_SLOT) {
            continue;
        }
        out += FormatPointLine(i, rec.m_lift.m_dValue[i], rec.m_drag.m_dValue[i]);
        out += "\r\n";
    }
    out += "]\r\n";
    return out;
}

FileResult WriteTestFile(const TestRecord& rec, const QString& strPath) {
    const std::string strData = FormatTestFile(rec);
    QString strError;
    bool bOpened = false;
    if (!WriteFileWhole(strPath, strData.data(), strData.size(), strError, &bOpened)) {
        return {bOpened ? FileStatus::WriteError : FileStatus::CannotOpen, strError};
    }
    return {};
}

FileResult ReadTestFile(TestRecord& rec, CByteReader& file) {
    FileResult result;
    auto pScratch = std::make_unique<TestRecord>(rec);
    result.status = ReadInto(*pScratch, file, result);
    if (result.status == FileStatus::Ok) {
        rec = std::move(*pScratch);
    }
    ReapplyRanges(rec);
    return result;
}

FileResult ReadTestFile(TestRecord& rec, const QString& strPath) {
    QFile file(strPath);
    QString strError;
    if (!OpenRegularFile(file, strError)) {
        ReapplyRanges(rec);
        return {FileStatus::CannotOpen, strError};
    }
    auto pReader = std::make_unique<CFileByteReader>(file);
    FileResult result = ReadTestFile(rec, *pReader);
    if (result.status == FileStatus::ReadError) {
        result.strError = file.errorString();
    }
    return result;
}
