#pragma once

#include <QString>
#include <string>

#include "core/link/Poll.h"

// "Command disabled!", and the way back for the operator: the link is off-line.
QString CommandDisabledText();

// What the run commands need of the view besides a tick's.
class CRunHost : public CPollHost {
public:
    // Starts the poll timer, replacing a running one.
    virtual void SetPollTimer() = 0;
    // The operator said Yes to clearing the previous results: the test is emptied and drawn so,
    // and neither kept for Undo nor for recovery.
    virtual void ClearPreviousResults() = 0;
    // A stop has been marked in the test and sent to the controller; its unsaved copy follows.
    virtual void StopMarked() = 0;
    // An operator message; the button chosen.
    virtual int MessageBox(const QString& strText, unsigned nType) = 0;
};

// The rules of the run commands: the speed the operator asks for, held to what the fan may do,
// and the stop sequence, on the poll's state. The view asks for the numbers and redraws.
class CRunControl {
public:
    CRunControl(TestRecord& rec, CSerialPort& port, CRunHost& host)
        : m_rec(rec), m_port(port), m_host(host) {}

    // One tick of the poll timer.
    void Tick() {
        const CLinkGate::CWork work(m_port.Gate());
        Poll(m_rec, m_state, m_host, m_port);
    }

    // What each speed command does first. False when the command ends there.
    bool BeginSpeedCommand();
    // The rest of Set Wind Speed, with the text typed, in the units shown.
    void SetTypedTarget(const std::string& strSpeed);
    // The rest of the graph's double-click, with the speed under the pointer in tenths of the
    // units shown.
    void SetPointedTarget(int nTenths);
    // Increase and Decrease, whole: one step in the units shown.
    void IncreaseTarget();
    void DecreaseTarget();
    // Stop Wind.
    void StopWind();
    // After the link came up again on a port the operator chose: a fan last reported turning is
    // asked about, and polled again while the controller says it turns or runs down, so that a
    // run is not left unwatched once the line is back. Nothing is sent for a fan at rest.
    void WatchAgain();

    CPollState m_state;

private:
    void ClampTarget();
    double SpeedStep() const;
    void FollowStopToItsEnd();

    TestRecord& m_rec;
    CSerialPort& m_port;
    CRunHost& m_host;
};
