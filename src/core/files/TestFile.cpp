#include "core/files/TestFile.h"

#include "core/files/WholeFile.h"

#include <QFile>
#include <algorithm>
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
// space, none included.
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
    if (!dArea || !std::isfinite(*dArea)) {
        return std::nullopt;
    }
    return dArea;
}

struct Point {
    double dWind, dLift, dDrag;
};

// A point line, "%lf, %lf, %lf": wind, lift, drag.
std::optional<Point> ScanPointLine(const std::string& strLine) {
    const auto values = ScanThreeNumbers(strLine);
    if (!values) {
        return std::nullopt;
    }
    return Point{(*values)[0], (*values)[1], (*values)[2]};
}

void StorePoint(TestRecord& rec, const Point& pt) {
    const int nSlot = SlotOfSpeed(pt.dWind);
    if (!IsSlot(nSlot)) {
        return;
    }
    rec.StoreReading(nSlot, pt.dWind, pt.dLift, pt.dDrag);
    if (nSlot == 0) {
        // The zero point is always zero.
        rec.m_lift.m_dValue[0] = rec.m_drag.m_dValue[0] = 0.0;
        rec.m_cd.m_dValue[0] = rec.m_ld.m_dValue[0] = 0.0;
    }
}

// Reads a whole test file into rec (a scratch copy of the current test).
FileStatus ReadInto(TestRecord& rec, CByteReader& file) {
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
    ReadLine(file, strLine);
    rec.m_bEnglish = EqualsIgnoringCase(strLine, "Units= Metric") ? 0 : 1;

    ReadLine(file, strLine);
    if (auto dArea = ScanAreaLine(strLine)) {
        rec.m_dCdArea = *dArea;
    }
    rec.ApplyUnitScales();

    ReadLine(file, strLine);  // "Comment Text="
    ReadLine(file, strLine);  // "["
    for (auto& strComment : rec.m_strComment) {
        ReadLine(file, strLine);
        strComment = strLine;
        BlankControlCharacters(strComment);
    }
    ReadLine(file, strLine);  // "]"
    ReadLine(file, strLine);  // "Wind, Lift, Drag="

    if (ReadLine(file, strLine) > 0) {
        do {
            if (auto pt = ScanPointLine(strLine)) {
                StorePoint(rec, *pt);
            }
        } while (ReadLine(file, strLine) > 0);
    }
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

int CByteReader::GetUntilLineBreak(std::string& strLine, std::size_t nRoom) {
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
        strLine.append(pBegin, std::min<std::size_t>(nFree, static_cast<std::size_t>(p - pBegin)));
        m_nPos += p - pBegin;
        if (p != pEnd) {
            ++m_nPos;
            return static_cast<unsigned char>(*p);
        }
    }
}

int ReadLine(CByteReader& file, std::string& strLine) {
    strLine.clear();
    for (;;) {
        int c = file.GetUntilLineBreak(strLine, LINE_LIMIT);
        if (c == '\r') {
            c = file.Get();  // taken as it is, even another CR
            if (c >= 0 && c != '\n' && static_cast<int>(strLine.size()) < LINE_LIMIT) {
                strLine.push_back(static_cast<char>(c));
            }
        }
        if (c < 0 || c == '\n') {
            break;
        }
    }
    return static_cast<int>(strLine.size());
}

std::string CdAreaLine(double dCdArea) {
    return "Cd Area = " + FormatFixed(dCdArea, 6) + " sq.in.";
}

bool CdAreaFitsTestFile(double dCdArea) {
    return std::isfinite(dCdArea) &&
           CdAreaLine(dCdArea).size() <= static_cast<std::size_t>(LINE_LIMIT);
}

std::string FormatTestFile(const TestRecord& rec) {
    std::string out;
    out.reserve(64 * 1024);
    out += MAGIC;
    out += rec.m_bEnglish ? "Units= English\r\n" : "Units= Metric\r\n";
    out += CdAreaLine(rec.m_dCdArea) + "\r\n";
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
        out += FormatSignedG(i * 0.1);
        out += ", ";
        out += FormatFixed(rec.m_lift.m_dValue[i], 6, 0, true);
        out += ", ";
        out += FormatFixed(rec.m_drag.m_dValue[i], 6, 0, true);
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
    result.status = ReadInto(*pScratch, file);
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
