// zefsim: the tunnel's controller on a pseudo-terminal, for demonstrations, training and tests of
// the console without a tunnel. The device path goes out on the first line of standard output;
// the operator throws the controller's fault switches with lines on standard input.

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "Controller.h"
#include "PseudoTerminal.h"
#include "Simulator.h"

namespace {

constexpr double DEFAULT_TAU = 1.5;
constexpr unsigned long DEFAULT_SEED = 1;

int g_nStopPipe[2] = {-1, -1};

extern "C" void OnStopSignal(int) {
    const int nSavedErrno = errno;
    const char c = 0;
    [[maybe_unused]] const ssize_t n = write(g_nStopPipe[1], &c, 1);
    errno = nSavedErrno;
}

struct COptions {
    std::string strLink;
    std::string strLog;
    bool bPacing = true;
    unsigned long nSeed = DEFAULT_SEED;
    double dTau = DEFAULT_TAU;
};

void PrintUsage(std::FILE* pFile) {
    std::fprintf(pFile,
                 "usage: zefsim [--link PATH] [--log FILE] [--no-pacing] [--seed N] "
                 "[--tau SECONDS]\n"
                 "Emulates the tunnel's controller on a pseudo-terminal and prints its device.\n"
                 "  --link PATH     also make PATH a symbolic link to the device\n"
                 "  --log FILE      append every command received to FILE, one per line\n"
                 "  --no-pacing     answer at once instead of at 2400 baud\n"
                 "  --seed N        seed of the reading noise (default %lu)\n"
                 "  --tau SECONDS   time constant of the fan (default %.1f)\n"
                 "Operator commands on standard input: lock, unlock, unplug, plug, mute, unmute,\n"
                 "drip, undrip, garble-w, ungarble-w, quit.\n",
                 DEFAULT_SEED, DEFAULT_TAU);
}

bool ParseSeed(const char* psz, unsigned long& nSeed) {
    char* pEnd = nullptr;
    errno = 0;
    const unsigned long n = std::strtoul(psz, &pEnd, 10);
    if (errno != 0 || pEnd == psz || *pEnd != '\0' || *psz == '-' || n > 0xffffffffUL) {
        return false;
    }
    nSeed = n;
    return true;
}

bool ParseTau(const char* psz, double& dTau) {
    char* pEnd = nullptr;
    const double d = std::strtod(psz, &pEnd);
    if (pEnd == psz || *pEnd != '\0' || !std::isfinite(d) || d <= 0.0) {
        return false;
    }
    dTau = d;
    return true;
}

// Returns -1 when the run may go on, else the exit status.
int ParseOptions(int argc, char** argv, COptions& options) {
    for (int i = 1; i < argc; ++i) {
        std::string strArg = argv[i];
        std::string strValue;
        bool bHasValue = false;
        const std::size_t nEq = strArg.find('=');
        if (strArg.rfind("--", 0) == 0 && nEq != std::string::npos) {
            strValue = strArg.substr(nEq + 1);
            strArg.resize(nEq);
            bHasValue = true;
        }
        const bool bTakesValue =
            strArg == "--link" || strArg == "--log" || strArg == "--seed" || strArg == "--tau";
        if (bTakesValue && !bHasValue) {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "zefsim: %s needs a value\n", strArg.c_str());
                return 2;
            }
            strValue = argv[++i];
        } else if (!bTakesValue && bHasValue) {
            std::fprintf(stderr, "zefsim: %s takes no value\n", strArg.c_str());
            return 2;
        }

        if (strArg == "--help" || strArg == "-h") {
            PrintUsage(stdout);
            return 0;
        } else if (strArg == "--no-pacing") {
            options.bPacing = false;
        } else if (strArg == "--link") {
            options.strLink = strValue;
        } else if (strArg == "--log") {
            options.strLog = strValue;
        } else if (strArg == "--seed") {
            if (!ParseSeed(strValue.c_str(), options.nSeed)) {
                std::fprintf(stderr, "zefsim: bad seed \"%s\"\n", strValue.c_str());
                return 2;
            }
        } else if (strArg == "--tau") {
            if (!ParseTau(strValue.c_str(), options.dTau)) {
                std::fprintf(stderr, "zefsim: bad time constant \"%s\"\n", strValue.c_str());
                return 2;
            }
        } else {
            std::fprintf(stderr, "zefsim: unknown option \"%s\"\n", argv[i]);
            PrintUsage(stderr);
            return 2;
        }
    }
    return -1;
}

bool InstallStopSignals() {
    if (pipe2(g_nStopPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return false;
    }
    struct sigaction sa {};
    sa.sa_handler = OnStopSignal;
    sigemptyset(&sa.sa_mask);
    if (sigaction(SIGINT, &sa, nullptr) != 0 || sigaction(SIGTERM, &sa, nullptr) != 0) {
        return false;
    }
    // A console or script that closes our standard output must not kill the controller.
    signal(SIGPIPE, SIG_IGN);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    COptions options;
    const int nParsed = ParseOptions(argc, argv, options);
    if (nParsed >= 0) {
        return nParsed;
    }
    if (!InstallStopSignals()) {
        std::fprintf(stderr, "zefsim: cannot catch signals: %s\n", std::strerror(errno));
        return 1;
    }

    int nLogFd = -1;
    if (!options.strLog.empty()) {
        nLogFd = open(options.strLog.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
        if (nLogFd < 0) {
            std::fprintf(stderr, "zefsim: cannot open %s: %s\n", options.strLog.c_str(),
                         std::strerror(errno));
            return 1;
        }
    }

    int nStatus = 0;
    {
        CPseudoTerminal pty;
        std::string strError;
        if (!pty.Open(strError) ||
            (!options.strLink.empty() && !pty.MakeLink(options.strLink, strError))) {
            std::fprintf(stderr, "zefsim: %s\n", strError.c_str());
            nStatus = 1;
        } else {
            std::printf("%s\n", pty.DevicePath().c_str());
            std::fflush(stdout);

            CController controller(options.dTau, static_cast<std::uint32_t>(options.nSeed));
            CSimulator simulator(controller, pty.MasterFd(), STDIN_FILENO, g_nStopPipe[0]);
            simulator.SetPacing(options.bPacing);
            simulator.SetLogFd(nLogFd);
            if (!simulator.Run(strError)) {
                std::fprintf(stderr, "zefsim: %s\n", strError.c_str());
                nStatus = 1;
            }
        }
    }
    if (nLogFd >= 0) {
        close(nLogFd);
    }
    return nStatus;
}
