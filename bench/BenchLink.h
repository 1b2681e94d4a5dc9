#pragma once

// What the poll benchmarks share: a controller that answers at once from memory, an operator who
// is never needed, and a drawing that draws nothing.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/base/OperatorMessages.h"
#include "core/link/SerialDevice.h"
#include "core/link/SerialPort.h"
#include "core/record/TestRecord.h"

// 8 data bits between a start and a stop bit.
inline constexpr double BITS_PER_BYTE = 10.0;
inline constexpr double BAUD = 2400.0;

// A controller in memory: every reply is there the moment its command is written. The readings
// sweep the wind up and down so that each tick records in a new place.
class CMemoryController : public CSerialDevice {
public:
    CMemoryController() {
        for (int i = 0; i < 400; ++i) {
            const int nWind = 300 + (i < 200 ? i : 400 - i);
            char buf[32];
            std::snprintf(buf, sizeof buf, "%d,%d,%d\r", nWind, nWind / 4, nWind * 2);
            m_readings.push_back(buf);
        }
    }
    bool Open(const std::string&, COpenFailure&) override { return true; }
    bool IsOpen() const override { return true; }
    void Close() override {}
    void DiscardInput() override { m_pNext = m_pEnd = nullptr; }
    bool Write(const char* pData, std::size_t nLength) override {
        m_nBytesSent += static_cast<long>(nLength);
        const char* pszReply = "";
        switch (pData[0]) {
            case 'S':
                pszReply = "4\r";
                break;
            case 'W':
                pszReply = "\r";
                break;
            case 'R':
                pszReply = m_readings[m_nReading].c_str();
                m_nReading = (m_nReading + 1) % m_readings.size();
                break;
            default:
                break;
        }
        m_pNext = pszReply;
        m_pEnd = pszReply + std::strlen(pszReply);
        return true;
    }
    ReadResult ReadByte(char& c, int) override {
        if (m_pNext == m_pEnd) {
            return ReadResult::TIMED_OUT;
        }
        c = *m_pNext++;
        ++m_nBytesReceived;
        return ReadResult::BYTE;
    }

    long m_nBytesSent = 0;
    long m_nBytesReceived = 0;

private:
    std::vector<std::string> m_readings;
    std::size_t m_nReading = 0;
    const char* m_pNext = nullptr;
    const char* m_pEnd = nullptr;
};

class CNoBoxes : public CMessageBoxes {
public:
    int Show(const QString&, unsigned) override {
        std::fprintf(stderr, "the in-memory controller failed an exchange\n");
        std::abort();
    }
};

class CNullDrawing : public CRecordDrawing {
public:
    void EraseStretch(const TestRecord&, int, int) override {}
    void DrawStretch(const TestRecord&, int, int) override {}
    void MoveSpeedMarker(const TestRecord&, double, int) override {}
    void ShowStatus(const TestRecord&, double, double, double, double, double) override {}
};

// Opens the port on a fresh in-memory controller and puts the link on-line; the controller, or
// nullptr when the port did not open.
inline CMemoryController* OpenInMemory(CSerialPort& port, CMessageBoxes& boxes) {
    CMemoryController* pController = nullptr;
    port.SetMessageBoxes(&boxes);
    port.SetDeviceFactory([&pController] {
        auto pDevice = std::make_unique<CMemoryController>();
        pController = pDevice.get();
        return pDevice;
    });
    if (!port.Open()) {
        return nullptr;
    }
    port.m_bOnline = 1;
    return pController;
}
