#pragma once

// The tunnel's controller as the console sees it from the far end of the serial line: it frames
// the bytes it receives into commands, runs the fan and the balance, and answers. Pure logic:
// the time comes in with every call (seconds on a steady clock), so it can be driven at any pace.

#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <vector>

class CController {
public:
    // Status word bits.
    static constexpr int STATUS_PLUGGED = 0x04;
    static constexpr int STATUS_STOPPED = 0x08;
    static constexpr int STATUS_LOCKED = 0x10;

    // The fan never turns faster than this, whatever "W" asks.
    static constexpr double MAX_SPEED_MPH = 150.0;
    // Below this the fan counts as stopped.
    static constexpr double RUNNING_THRESHOLD_MPH = 0.3;

    // The wing on the balance: force = coefficient x (wind in mph)^2, in pounds. At 80 mph that is
    // 1.2 lb of lift and 0.2 lb of drag.
    static constexpr double LIFT_PER_MPH2 = 1.2 / 6400.0;
    static constexpr double DRAG_PER_MPH2 = 0.2 / 6400.0;

    // Reading noise (one standard deviation, cut at three): the anemometer's, and the balance's,
    // which has a floor and grows with the load.
    static constexpr double WIND_NOISE_MPH = 0.05;
    static constexpr double FORCE_NOISE_LB = 0.002;
    static constexpr double FORCE_NOISE_SHARE = 0.01;

    static constexpr char ETX = 0x03;
    static constexpr char CR = 0x0d;

    // Commands never grow longer than this; a longer "W" is line noise and is abandoned.
    static constexpr std::size_t MAX_COMMAND_LENGTH = 20;

    struct COutput {
        std::string strReply;                  // bytes to send back, in order
        std::vector<std::string> vecCommands;  // each command received, as its raw bytes
    };

    CController(double dTauSeconds, std::uint32_t nSeed);

    // Takes bytes as they arrive on the line at time dNow. Answers and completed commands are
    // appended to out. A command that is cut short still counts as received.
    void Receive(std::string_view bytes, double dNow, COutput& out);

    // The operator's switches on the controller's front.
    void SetLocked(bool bLocked) { m_bLocked = bLocked; }
    void SetPlugged(bool bPlugged) { m_bPlugged = bPlugged; }
    void SetMuted(bool bMuted) { m_bMuted = bMuted; }
    void SetGarbleW(bool bGarble) { m_bGarbleW = bGarble; }

    int Status(double dNow);
    double FanSpeed(double dNow);
    double CommandedSpeed() const { return m_dCommanded; }

private:
    void Complete(std::string strCommand, double dNow, COutput& out);
    void Execute(const std::string& strCommand, double dNow, std::string& strReply);
    void SetSpeedFromW(const std::string& strCommand, std::string& strReply);
    std::string Reading(double dNow);
    double Noise();
    void Advance(double dNow);

    double m_dTau;
    double m_dCommanded = 0.0;  // mph
    double m_dFan = 0.0;        // mph, actual
    double m_dLastTime = 0.0;
    bool m_bClockStarted = false;

    bool m_bLocked = false;
    bool m_bPlugged = true;
    bool m_bMuted = false;
    bool m_bGarbleW = false;

    bool m_bInW = false;
    std::string m_strW;  // the "W" command being assembled

    std::mt19937 m_rng;
    std::normal_distribution<double> m_normal{0.0, 1.0};
};

// How a received command is written in the command log: printable bytes as they are, CR as
// "<CR>", any other byte as two hex digits in angle brackets ("<03>").
std::string LogText(std::string_view bytes);
