#pragma once

#include <QString>
#include <cstdint>
#include <string>

class TestRecord;

// Outcome of saving or opening a test file.
enum class FileStatus {
    Ok,
    CannotOpen,   // the file could not be opened or created
    NotTestFile,  // it does not start with the test file's first line
    ReadError,    // the file system reported an error part-way through
    WriteError,   // a write or the final replacement failed
};

struct FileResult {
    FileStatus status = FileStatus::Ok;
    QString strError;  // the system's reason, for the operator
    bool Ok() const { return status == FileStatus::Ok; }
};

// A source of bytes with buffered single-byte reads. Subclasses supply chunks.
class CByteReader {
public:
    static constexpr int END = -1;
    static constexpr int ERROR = -2;

    virtual ~CByteReader() = default;
    // Next byte 0..255, END at the end of the data, ERROR when the source failed.
    int Get() {
        if (m_nPos == m_nLen && !Refill()) {
            return m_bFailed ? ERROR : END;
        }
        return static_cast<unsigned char>(m_buf[m_nPos++]);
    }
    bool Failed() const { return m_bFailed; }

    // Appends to strLine the bytes up to the next CR or LF (at most nRoom of them, the rest
    // skipped) and returns that CR or LF, or END or ERROR.
    int GetUntilLineBreak(std::string& strLine, std::size_t nRoom);

protected:
    // Fills up to nMax bytes; returns the count, 0 at the end, -1 on failure.
    virtual std::int64_t ReadChunk(char* pBuf, std::int64_t nMax) = 0;

private:
    bool Refill();

    char m_buf[65536];
    std::int64_t m_nPos = 0;
    std::int64_t m_nLen = 0;
    bool m_bFailed = false;
    bool m_bEnded = false;
};

// Bytes held in memory (tests, the fuzzer).
class CMemoryByteReader : public CByteReader {
public:
    CMemoryByteReader(const char* pData, std::size_t nSize) : m_pData(pData), m_nLeft(nSize) {}

protected:
    std::int64_t ReadChunk(char* pBuf, std::int64_t nMax) override;

private:
    const char* m_pData;
    std::size_t m_nLeft;
};

// The reader keeps one line of at most this many characters; the rest of a longer line is
// passed over.
inline constexpr int LINE_LIMIT = 99;

// Reads one line: CR LF or LF ends it, a CR is dropped and the byte after it taken as it is.
// Returns the count of characters stored (0 for an empty line or the end of the data).
int ReadLine(CByteReader& file, std::string& strLine);

// Writes the current test as a test file. The file appears whole or not at all: it is written
// beside its place and put there only when every byte was written, so an earlier file of that
// name survives any failure.
FileResult WriteTestFile(const TestRecord& rec, const QString& strPath);

// The bytes WriteTestFile writes.
std::string FormatTestFile(const TestRecord& rec);

// The area line of a test file, without its line end.
std::string CdAreaLine(double dCdArea);
// A finite area whose line the reader takes whole, so that a saved test reads back with it.
bool CdAreaFitsTestFile(double dCdArea);

// Opens a test file into the record: points, unit system, area and comments replace the
// current test's, and the axes' ranges are applied again in every case. The record changes only
// when the whole file was read; otherwise the result says why (the caller redraws either way).
FileResult ReadTestFile(TestRecord& rec, const QString& strPath);

// Applies each axis's own range again, so the tick steps follow the unit system in force.
void ReapplyRanges(TestRecord& rec);

// The same from any byte source.
FileResult ReadTestFile(TestRecord& rec, CByteReader& file);
