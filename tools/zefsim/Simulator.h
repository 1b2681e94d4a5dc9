#pragma once

// The emulator's event loop: commands from the line go to the controller and its replies go back
// out at the line's byte rate; the operator's lines on standard input throw the controller's
// fault switches. One thread, one poll over the stop signal, the operator and the line.

#include <chrono>
#include <string>
#include <string_view>

#include "Controller.h"

class CSimulator {
public:
    using Clock = std::chrono::steady_clock;

    // 2400 baud with a start and a stop bit around each 8-bit byte.
    static constexpr Clock::duration BYTE_TIME =
        std::chrono::duration_cast<Clock::duration>(std::chrono::microseconds(10'000'000 / 2400));
    // A dribbling line sends one byte this often.
    static constexpr Clock::duration DRIP_TIME = std::chrono::milliseconds(500);

    // nLineFd is the line's controller end, nOperatorFd the operator's input, nStopFd becomes
    // readable when the emulator must end.
    CSimulator(CController& controller, int nLineFd, int nOperatorFd, int nStopFd);

    void SetPacing(bool bPacing) { m_bPacing = bPacing; }
    // Every command received is appended to this file, one line each (-1: no log).
    void SetLogFd(int nLogFd) { m_nLogFd = nLogFd; }

    // Runs until "quit" or a stop signal. Returns false, with a message, if the system fails.
    bool Run(std::string& strError);

private:
    double Now() const;
    void ReadOperator();
    void ReadOperatorIfWaiting();
    void HandleOperatorLine(std::string_view line);
    void ReadLine();
    void Log(const std::string& strCommand);
    void Queue(const std::string& strReply);
    void SendDue();
    void SendDrip();

    CController& m_controller;
    int m_nLineFd;
    int m_nOperatorFd;
    int m_nStopFd;
    int m_nLogFd = -1;
    bool m_bPacing = true;
    bool m_bOperatorOpen = true;
    bool m_bQuit = false;
    // Each answer dribbles: its bytes but the CR, then blanks, one every DRIP_TIME, never ending
    // (until the next command replaces it, or the fault is cleared).
    bool m_bDrip = false;
    bool m_bDripping = false;
    std::size_t m_nDripSent = 0;
    std::string m_strOperator;  // operator's input not yet ended by a newline

    Clock::time_point m_tStart;
    std::string m_strOut;           // reply bytes not yet on the line
    Clock::time_point m_tNextByte;  // when the first of them is due
    Clock::time_point m_tLineFree;  // when the last byte sent has gone
};
