// klvsim: the KLV force-measuring device, simulated on a pseudo-terminal.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "device_model.h"
#include "pty_line.h"
#include "serve_loop.h"

namespace {

volatile std::sig_atomic_t gStop = 0;

void OnSignal(int)
{
    gStop = 1;
}

constexpr const char* kUsage =
    R"(Usage: klvsim --link PATH [--scenario FILE|series] [--log FILE|-] [--linger SECONDS]
       klvsim --check --scenario FILE|series
       klvsim --help

Simulates the KLV force-measuring device on a pseudo-terminal, as the device
behaves on its serial Line (19200 baud, 8N1): it answers the identification
exchange (0x52 and an index 0..29 give one byte of its 30-byte DeviceInfo),
streams 625 sample triplets per second (1875 bytes per second, paced in real
time) between 0xE0 and 0xF0, switches its red lamp with 0x84/0x85 and its green
lamp with 0x88/0x89 (reported in status bits 5 and 6), and plays a scenario:
force profiles, start requests, door closings, reactions to the host and wire
faults.

Options:
  --link PATH        make PATH a symbolic link to the pty's slave (a stale link
                     there is replaced); the link is removed on exit, also on
                     SIGTERM, SIGINT and SIGHUP. Open PATH as the serial port
                     (under Wine: point a COMn port at it). The host may close
                     and reopen the port as often as it likes.
  --scenario NAME    a scenario file, or the built-in scenario "series" (the
                     default): one measurement series of three closings and
                     the confirming start request, reacting to the host.
  --log FILE|-       log the command bytes received and the state changes
                     (time in seconds since start) to FILE, or - for stdout.
                     Repetitions (0x85 0x88 for every sample while the program
                     waits for the start) are summarised.
  --linger SECONDS   keep serving this long after the scenario ended, so the
                     host's last commands still find the Line (default 0.5).
  --check            only parse the scenario and report the first bad line.
  --help             this text.

klvsim serves until the scenario ends (plus the linger time), the device hangs
up (scenario event "hangup"), or it is stopped by a signal. Exit code 0 then;
1 when the scenario is bad or the pty cannot be made; 2 for a usage error.

)";

struct Options {
    std::string link;
    std::string scenario = "series";
    std::string logPath;
    double linger = 0.5;
    bool check = false;
};

int UsageError(const std::string& problem)
{
    std::fprintf(stderr, "klvsim: %s\n(klvsim --help shows the options)\n", problem.c_str());
    return 2;
}

// Parses the command line; returns -1 to go on, or an exit code.
int ParseOptions(int argc, char** argv, Options& o)
{
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&](std::string& into) {
            if (i + 1 >= argc)
                return false;
            into = argv[++i];
            return true;
        };
        if (a == "--help" || a == "-h") {
            std::fputs(kUsage, stdout);
            std::fputs(klvdevice::ScenarioLanguageHelp().data(), stdout);
            return 0;
        } else if (a == "--check") {
            o.check = true;
        } else if (a == "--link") {
            if (!value(o.link))
                return UsageError("--link needs a PATH");
        } else if (a == "--scenario") {
            if (!value(o.scenario))
                return UsageError("--scenario needs a FILE or series");
        } else if (a == "--log") {
            if (!value(o.logPath))
                return UsageError("--log needs a FILE or -");
        } else if (a == "--linger") {
            std::string s;
            if (!value(s))
                return UsageError("--linger needs SECONDS");
            char* end = nullptr;
            o.linger = std::strtod(s.c_str(), &end);
            if (end == s.c_str() || *end || !(o.linger >= 0) || o.linger > 3600)
                return UsageError("--linger: '" + s + "' is not a number of seconds 0..3600");
        } else {
            return UsageError("unknown argument '" + a + "'");
        }
    }
    if (!o.check && o.link.empty())
        return UsageError("--link PATH is required");
    return -1;
}

void InstallSignalHandlers()
{
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGHUP, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

const char* EndText(klvsim::ServeEnd e)
{
    switch (e) {
    case klvsim::ServeEnd::ScenarioEnded:
        return "scenario ended";
    case klvsim::ServeEnd::HungUp:
        return "device hung up";
    case klvsim::ServeEnd::Stopped:
        return "stopped by a signal";
    case klvsim::ServeEnd::LineFailed:
        return "the line failed";
    }
    return "";
}

} // namespace

int main(int argc, char** argv)
{
    Options opt;
    if (int rc = ParseOptions(argc, argv, opt); rc >= 0)
        return rc;

    klvdevice::Scenario scenario;
    try {
        scenario = klvdevice::LoadScenario(opt.scenario);
    } catch (const klvdevice::ScenarioError& e) {
        std::fprintf(stderr, "klvsim: %s\n", e.what());
        return 1;
    }
    if (opt.check) {
        std::printf("%s: %zu events, ok\n", opt.scenario.c_str(), scenario.events.size());
        return 0;
    }

    std::FILE* logFile = nullptr;
    if (opt.logPath == "-") {
        logFile = stdout;
    } else if (!opt.logPath.empty()) {
        logFile = std::fopen(opt.logPath.c_str(), "w");
        if (!logFile) {
            std::fprintf(stderr, "klvsim: cannot write the log %s: %s\n", opt.logPath.c_str(),
                         std::strerror(errno));
            return 1;
        }
    }
    klvsim::WireLog log(logFile);

    InstallSignalHandlers();
    klvsim::PtyLine line;
    std::string error;
    if (!line.Open(opt.link, error)) {
        std::fprintf(stderr, "klvsim: %s\n", error.c_str());
        return 1;
    }
    log.Write(0, "line",
              "serving scenario " + opt.scenario + " on " + line.SlaveName() + " (link " +
                  opt.link + ")");

    klvdevice::DeviceModel model(std::move(scenario));
    model.SetLogSink(log.Sink());
    klvsim::ServeEnd end = klvsim::Serve(line, model, log, opt.linger, gStop);
    model.FlushLog();
    log.Write(model.Now(), "line", std::string("exit: ") + EndText(end));
    line.RemoveLink();
    if (logFile && logFile != stdout)
        std::fclose(logFile);
    return end == klvsim::ServeEnd::LineFailed ? 1 : 0;
}
