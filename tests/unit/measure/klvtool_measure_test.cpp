// `klvtool measure` run as a program: a whole series on the device model and
// over the simulator's pty, its JSON and CSV checked against a computation of
// the figures made here from the printed curves, and its error exits.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

struct Result {
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string TempDir()
{
    static std::string dir = [] {
        char pattern[] = "/tmp/klvtool-measure-XXXXXX";
        const char* made = mkdtemp(pattern);
        return std::string(made ? made : "/tmp");
    }();
    return dir;
}

// Removes the temporary directory when the program ends.
class TempDirCleanup : public ::testing::Environment {
public:
    void TearDown() override
    {
        if (TempDir() != "/tmp")
            std::filesystem::remove_all(TempDir());
    }
};
const auto* const kCleanup = ::testing::AddGlobalTestEnvironment(new TempDirCleanup);

std::string TempPath(const std::string& name)
{
    return TempDir() + "/" + name;
}

std::string Quote(const std::string& arg)
{
    std::string out = "'";
    for (char c : arg)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// Runs klvtool with `args`; `environment` ("NAME=value ...") is set for it alone.
Result RunKlvtool(const std::vector<std::string>& args, const std::string& environment = "")
{
    static int serial = 0;
    const std::string out = TempPath("out" + std::to_string(++serial));
    const std::string err = out + ".err";
    std::string command = environment + " " + Quote(KLVTOOL_PATH);
    for (const std::string& arg : args)
        command += " " + Quote(arg);
    command += " >" + Quote(out) + " 2>" + Quote(err);
    const int status = std::system(command.c_str());
    Result r;
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = ReadFile(out);
    r.err = ReadFile(err);
    return r;
}

// ---- A small reader for the tool's JSON ----------------------------------------

std::string JsonStringAt(const std::string& json, std::size_t at, std::size_t* end = nullptr)
{
    EXPECT_EQ(json[at], '"');
    std::string out;
    std::size_t i = at + 1;
    for (; i < json.size() && json[i] != '"'; ++i) {
        if (json[i] != '\\') {
            out += json[i];
            continue;
        }
        switch (json[++i]) {
        case 't':
            out += '\t';
            break;
        case 'r':
            out += '\r';
            break;
        case 'n':
            out += '\n';
            break;
        case '"':
            out += '"';
            break;
        case '\\':
            out += '\\';
            break;
        default:
            ADD_FAILURE() << "unexpected escape " << json[i];
        }
    }
    if (end)
        *end = i + 1;
    return out;
}

std::size_t KeyValue(const std::string& json, const std::string& key)
{
    const std::string quoted = "\"" + key + "\": ";
    const std::size_t at = json.find(quoted);
    EXPECT_NE(at, std::string::npos) << key;
    return at == std::string::npos ? 0 : at + quoted.size();
}

std::string JsonString(const std::string& json, const std::string& key)
{
    return JsonStringAt(json, KeyValue(json, key));
}

std::vector<double> JsonNumbers(const std::string& json, const std::string& key)
{
    std::size_t at = KeyValue(json, key);
    EXPECT_EQ(json[at], '[');
    std::vector<double> values;
    const char* p = json.c_str() + at + 1;
    while (*p != ']' && *p) {
        char* end = nullptr;
        values.push_back(std::strtod(p, &end));
        p = end;
        while (*p == ',' || *p == ' ')
            ++p;
    }
    return values;
}

std::vector<std::string> JsonResults(const std::string& json)
{
    std::size_t at = KeyValue(json, "results");
    std::vector<std::string> texts;
    while ((at = json.find_first_of("\"]", at)) != std::string::npos && json[at] == '"')
        texts.push_back(JsonStringAt(json, at, &at));
    return texts;
}

// ---- The figures, computed here from the curves ----------------------------------

struct Curves {
    std::vector<int> c[4]; // curve 1..3, mean
};

Curves ReadCsv(const std::string& text)
{
    Curves curves;
    std::istringstream in(text);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "index,curve1,curve2,curve3,mean");
    int expectedIndex = 0;
    while (std::getline(in, line)) {
        int index, a, b, c, m;
        EXPECT_EQ(std::sscanf(line.c_str(), "%d,%d,%d,%d,%d", &index, &a, &b, &c, &m), 5) << line;
        EXPECT_EQ(index, expectedIndex++);
        curves.c[0].push_back(a);
        curves.c[1].push_back(b);
        curves.c[2].push_back(c);
        curves.c[3].push_back(m);
    }
    return curves;
}

struct Figures {
    double eff, clamp, peak, k, pulse;
};

Figures Evaluate(const std::vector<int>& curve, double fullScale)
{
    auto newton = [&](int count) { return count * fullScale / 4095.0; };
    double sum = 0.0;
    int above = 0;
    for (std::size_t i = 625; i < curve.size(); ++i) {
        if (newton(curve[i]) >= 50.0) {
            sum += newton(curve[i]);
            ++above;
        }
    }
    Figures f{};
    f.eff = above ? sum / above : 0.0;
    f.pulse = above * 0.0016;
    f.clamp = newton(curve.back());
    for (int count : curve)
        f.peak = std::max(f.peak, newton(count));
    f.k = f.peak > 0 ? f.eff / f.peak : 0.0;
    return f;
}

// The result texts as the program shows them (UTF-8 here), built independently.
std::string ResultText(const Figures& f, double energy)
{
    const bool effMarked = f.eff > f.clamp;
    char text[512];
    std::snprintf(text, sizeof(text),
                  "Forza effettiva:\t\t%s%0.1f N\r\nForza di serraggio:\t%s%0.1f N\r\n"
                  "Forza di punta:\t\t%0.1f N\r\nK-fattore:\t\t%0.2f\r\n"
                  "Durata d' impulsi:\t%0.2f s\r\nEnerg\xC3\xAC"
                  "a:\t\t\t%0.2f J",
                  effMarked ? "*" : "", f.eff, effMarked ? "" : "*", f.clamp, f.peak, f.k, f.pulse,
                  energy);
    return text;
}

class SimSeries : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        json_ = new std::string;
        csv_ = new std::string;
        run_ =
            new Result(RunKlvtool({"measure", "--sim", "series", "--date", "2026-12-07", "--json",
                                   TempPath("series.json"), "--curves", TempPath("series.csv")}));
        *json_ = ReadFile(TempPath("series.json"));
        *csv_ = ReadFile(TempPath("series.csv"));
    }
    static void TearDownTestSuite()
    {
        delete json_;
        delete csv_;
        delete run_;
    }
    static std::string* json_;
    static std::string* csv_;
    static Result* run_;
};

std::string* SimSeries::json_ = nullptr;
std::string* SimSeries::csv_ = nullptr;
Result* SimSeries::run_ = nullptr;

TEST_F(SimSeries, CompletesAndPrintsTheStatusTextsInOrder)
{
    ASSERT_EQ(run_->exitCode, 0) << run_->err;
    const char* expected[] = {
        "Aspetti l'avviamento di misurazione 1...",
        "Inizzi la misurazione 1...",
        "Aspetti il superamento della soglia per la misuratione 1...",
        "Misurazione 1 \xC3\xA8 in corso...",
        "Aspetti l'avviamento di misurazione 2...",
        "Misurazione 3 \xC3\xA8 in corso...",
        "Aspetti la confermazione di misurazione...",
    };
    std::size_t at = 0;
    for (const char* text : expected) {
        const std::size_t found = run_->out.find(text, at);
        ASSERT_NE(found, std::string::npos) << text;
        at = found;
    }
    // The questions, if any, are answered "No": none is asked in a plain series.
    EXPECT_EQ(run_->out.find("Vuole interrompere"), std::string::npos);
}

TEST_F(SimSeries, JsonCarriesTheRecordUnderItsFieldNames)
{
    ASSERT_EQ(run_->exitCode, 0) << run_->err;
    EXPECT_EQ(JsonString(*json_, "szTitle"), "Misurazione del 07.12.2026");
    EXPECT_EQ(JsonString(*json_, "szSensorType"), "KLV1-AC5");
    EXPECT_EQ(JsonString(*json_, "szSerialNo"), "SN4711");
    EXPECT_EQ(std::atoi(json_->c_str() + KeyValue(*json_, "nFullScale")), 500);
    for (const char* key : {"dEffForce", "dClampForce", "dPeakForce", "dKFactor", "dPulseDuration"})
        EXPECT_EQ(JsonNumbers(*json_, key).size(), 4u) << key;
    EXPECT_EQ(JsonResults(*json_).size(), 4u);
}

TEST_F(SimSeries, FiguresAgreeWithAComputationFromTheCurves)
{
    ASSERT_EQ(run_->exitCode, 0) << run_->err;
    const Curves curves = ReadCsv(*csv_);
    ASSERT_EQ(curves.c[0].size(), 3750u);
    const std::vector<double> eff = JsonNumbers(*json_, "dEffForce");
    const std::vector<double> clamp = JsonNumbers(*json_, "dClampForce");
    const std::vector<double> peak = JsonNumbers(*json_, "dPeakForce");
    const std::vector<double> k = JsonNumbers(*json_, "dKFactor");
    const std::vector<double> pulse = JsonNumbers(*json_, "dPulseDuration");
    const std::vector<std::string> results = JsonResults(*json_);
    ASSERT_EQ(results.size(), 4u);
    Figures mean{};
    for (int m = 0; m < 3; ++m) {
        const Figures f = Evaluate(curves.c[m], 500.0);
        EXPECT_NEAR(eff[m], f.eff, 1e-9) << m;
        EXPECT_NEAR(clamp[m], f.clamp, 1e-9) << m;
        EXPECT_NEAR(peak[m], f.peak, 1e-9) << m;
        EXPECT_NEAR(k[m], f.k, 1e-12) << m;
        EXPECT_NEAR(pulse[m], f.pulse, 1e-12) << m;
        EXPECT_EQ(results[m], ResultText(f, f.peak * f.peak * 0.5 / (50000.0 / 3.0))) << m;
        // The trigger sample twice, and the closing well above the 500 N sensor's trigger.
        EXPECT_EQ(curves.c[m][624], curves.c[m][625]) << m;
        EXPECT_GE(curves.c[m][624], 82) << m;
        mean.eff += f.eff / 3;
        mean.clamp += f.clamp / 3;
        mean.peak += f.peak / 3;
        mean.k += f.k / 3;
        mean.pulse += f.pulse / 3;
    }
    EXPECT_NEAR(eff[3], mean.eff, 1e-9);
    EXPECT_NEAR(clamp[3], mean.clamp, 1e-9);
    EXPECT_NEAR(peak[3], mean.peak, 1e-9);
    EXPECT_NEAR(k[3], mean.k, 1e-12);
    EXPECT_NEAR(pulse[3], mean.pulse, 1e-12);
    EXPECT_EQ(results[3], ResultText(mean, mean.peak * mean.peak * 0.5 / (50000.0 / 3.0)));
    for (std::size_t i = 0; i < 3750; ++i)
        ASSERT_EQ(curves.c[3][i], (curves.c[0][i] + curves.c[1][i] + curves.c[2][i]) / 3) << i;
}

TEST_F(SimSeries, SecondRunGivesTheSameBytes)
{
    ASSERT_EQ(run_->exitCode, 0) << run_->err;
    const Result again = RunKlvtool({"measure", "--sim", "series", "--date", "2026-12-07", "--json",
                                     "-", "--curves", TempPath("again.csv")});
    ASSERT_EQ(again.exitCode, 0) << again.err;
    EXPECT_EQ(again.out, *json_); // JSON on standard output, status texts elsewhere
    EXPECT_NE(again.err.find("Aspetti la confermazione"), std::string::npos);
    EXPECT_EQ(ReadFile(TempPath("again.csv")), *csv_);
}

// Without --date the title carries today's UTC date, also where the local
// clock, east of Greenwich, already shows the next day.
TEST(MeasureDate, TitleCarriesTheUtcDayJustAfterLocalMidnightEastOfGreenwich)
{
    const std::time_t before = std::time(nullptr);
    // A zone whose clock shows 00:05 of the next day now: local = UTC + offset,
    // at most 24:05 (zones may be up to 24:59 ahead), also in the first
    // minutes after midnight UTC.
    const long offset = 86400 - before % 86400 + 300;
    char zone[32];
    std::snprintf(zone, sizeof zone, "TZ='<+%02ld%02ld>-%02ld:%02ld'", offset / 3600,
                  offset % 3600 / 60, offset / 3600, offset % 3600 / 60);
    const Result r =
        RunKlvtool({"measure", "--sim", "series", "--json", TempPath("utc.json")}, zone);
    const std::time_t after = std::time(nullptr);
    ASSERT_EQ(r.exitCode, 0) << r.err;

    auto title = [](std::time_t t) {
        std::tm utc{};
        gmtime_r(&t, &utc);
        char text[64];
        std::snprintf(text, sizeof text, "Misurazione del %02d.%02d.%04d", utc.tm_mday,
                      utc.tm_mon + 1, utc.tm_year + 1900);
        return std::string(text);
    };
    const std::time_t localNow = before + offset;
    ASSERT_NE(title(localNow), title(before)) << zone << " is not a day ahead of UTC";
    const std::string got = JsonString(ReadFile(TempPath("utc.json")), "szTitle");
    EXPECT_TRUE(got == title(before) || got == title(after)) << got << " with " << zone;
}

TEST(SimFaults, LostAndStrayBytesAreRealignedAndTheSeriesCompletes)
{
    std::string scenario = "variant 300\nserial 0042\n";
    for (int m = 0; m < 3; ++m)
        scenario +=
            "await start-wait\nwait 0.5\ndrop 1\nwait 0.2\npress 0.2\nawait threshold-wait\n"
            "garbage 5\nwait 0.3\nclosing peak=250N clamp=60N\n";
    scenario += "await start-wait\nwait 0.5\npress 0.2\nawait stop\n";
    const std::string path = TempPath("faults.txt");
    std::ofstream(path) << scenario;
    const Result r = RunKlvtool({"measure", "--sim", path, "--json", TempPath("faults.json"),
                                 "--curves", TempPath("faults.csv")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string json = ReadFile(TempPath("faults.json"));
    EXPECT_EQ(JsonString(json, "szSerialNo"), "SN0042");
    const Curves curves = ReadCsv(ReadFile(TempPath("faults.csv")));
    const std::vector<double> peak = JsonNumbers(json, "dPeakForce");
    const std::vector<double> clamp = JsonNumbers(json, "dClampForce");
    for (int m = 0; m < 3; ++m) {
        const Figures f = Evaluate(curves.c[m], 300.0);
        EXPECT_NEAR(peak[m], f.peak, 1e-9) << m;
        EXPECT_NEAR(peak[m], 250.0, 15.0) << m;
        EXPECT_NEAR(clamp[m], 60.0, 3.0) << m;
        EXPECT_GE(curves.c[m][624], 683) << m; // the 300 N sensor's trigger
    }
}

// ---- Errors ------------------------------------------------------------------------

std::string WriteScenario(const std::string& name, const std::string& text)
{
    const std::string path = TempPath(name);
    std::ofstream(path) << text;
    return path;
}

TEST(MeasureErrors, ScenarioThatEndsBeforeTheSeriesCompletes)
{
    const std::string path =
        WriteScenario("short.txt", "variant 500\nawait start-wait\nwait 0.5\npress 0.2\n");
    const std::string json = TempPath("short.json");
    const Result r = RunKlvtool({"measure", "--sim", path, "--json", json});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("scenario ended before the series was complete"), std::string::npos)
        << r.err;
    EXPECT_NE(r.out.find("Inizzi la misurazione 1..."), std::string::npos);
    // The tool's own end is no answer to the end question.
    EXPECT_EQ(r.out.find("Vuole interrompere"), std::string::npos);
    EXPECT_FALSE(std::ifstream(json).good()); // no record for an incomplete series
}

TEST(MeasureErrors, DeviceThatHangsUp)
{
    const std::string path =
        WriteScenario("hangup.txt", "variant 300\nawait stream\nwait 1\nhangup\n");
    const Result r = RunKlvtool({"measure", "--sim", path});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("hung up"), std::string::npos) << r.err;
}

TEST(MeasureErrors, WrongDeviceIsNotIdentified)
{
    const std::string path = WriteScenario("wrong.txt", "ident KLV2-XY\n");
    const Result r = RunKlvtool({"measure", "--sim", path});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("Il sensore non \xC3\xA8 potuto essere trovato."), std::string::npos)
        << r.err;
}

TEST(MeasureErrors, MissingPortAndBadScenario)
{
    Result r = RunKlvtool({"measure", "--port", "/nonexistent/ttyKLV"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(
        r.err.find("L'apparecchio \"/nonexistent/ttyKLV\" non \xC3\xA8 potuto essere aperto."),
        std::string::npos)
        << r.err;
    r = RunKlvtool({"measure", "--port", "/dev/null"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("not a serial device"), std::string::npos) << r.err;
    r = RunKlvtool({"measure", "--sim", TempPath("no-such-scenario.txt")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("scenario"), std::string::npos) << r.err;
    const std::string bad = WriteScenario("bad.txt", "variant 400\n");
    r = RunKlvtool({"measure", "--sim", bad});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("bad.txt:1"), std::string::npos) << r.err;
}

TEST(MeasureErrors, CommandLineMistakesExitWith2)
{
    const std::vector<std::vector<std::string>> cases = {
        {"measure"},
        {"measure", "--sim", "series", "--port", "/dev/ttyS9"},
        {"measure", "--sim", "series", "--date", "2026-02-29"},
        {"measure", "--sim", "series", "--date", "7.12.2026"},
        {"measure", "--sim"},
        {"measure", "--sim", "series", "--colour"},
        {"measure", "--sim", "series", "--json", "-", "--curves", "-"},
    };
    for (const auto& args : cases) {
        const Result r = RunKlvtool(args);
        EXPECT_EQ(r.exitCode, 2) << args.back() << ": " << r.err;
        EXPECT_NE(r.err.find("klvtool measure: "), std::string::npos) << args.back();
    }
    const Result leap = RunKlvtool({"measure", "--sim", "series", "--date", "2028-02-29"});
    EXPECT_EQ(leap.exitCode, 0) << leap.err;
}

TEST(MeasureErrors, UnwritableOutputFailsButKeepsThePrintedResults)
{
    const Result r =
        RunKlvtool({"measure", "--sim", "series", "--json", TempPath("no/such/dir/x.json")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("cannot create"), std::string::npos) << r.err;
    EXPECT_NE(r.out.find("Valori medi:"), std::string::npos);
}

TEST(MeasureOutputs, PipeIsWrittenInPlaceAndNotReplaced)
{
    const std::string fifo = TempPath("json.fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::string received;
    std::thread reader([&] { received = ReadFile(fifo); });
    const Result r = RunKlvtool({"measure", "--sim", "series", "--json", fifo});
    reader.join();
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(received.rfind("{\n  \"szTitle\": ", 0), 0u) << received;
    struct stat st {};
    ASSERT_EQ(stat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

TEST(MeasureOutputs, ExistingFileIsReplacedWholeWithNoTemporaryLeft)
{
    const std::string dir = TempPath("replace");
    std::filesystem::create_directory(dir);
    const std::string csv = dir + "/curves.csv";
    std::ofstream(csv) << "old contents that are longer than nothing\n";
    const Result r = RunKlvtool({"measure", "--sim", "series", "--curves", csv});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(ReadFile(csv).rfind("index,curve1,curve2,curve3,mean\n0,", 0), 0u);
    int files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir))
        ++files;
    EXPECT_EQ(files, 1);
    struct stat st {};
    ASSERT_EQ(stat(csv.c_str(), &st), 0);
    EXPECT_NE(st.st_mode & S_IRGRP, 0u); // not the private mode of a temporary file
}

// ---- Over the simulator's pty, in real time ----------------------------------------------

// Starts a program with its output going to files; 0 when it cannot start.
pid_t Spawn(std::vector<std::string> args, const std::string& out = "/dev/null",
            const std::string& err = "/dev/null")
{
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&files, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = 0;
    const int failed = posix_spawn(&pid, argv[0], &files, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&files);
    return failed ? 0 : pid;
}

// Polls `done` every 50 ms for at most `seconds`; true once it holds.
bool PollUntil(const std::function<bool()>& done, double seconds)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

// A klvsim serving `scenario` on a pty link; stopped when the object goes.
class Simulator {
public:
    explicit Simulator(const std::string& name, const std::string& scenario = "series")
        : link(TempPath(name + ".link")), log(TempPath(name + ".log"))
    {
        // It keeps serving after its scenario until the test is done, so the
        // run's closing commands reach it however slowly the machine runs.
        pid_ = Spawn(
            {KLVSIM_PATH, "--link", link, "--scenario", scenario, "--log", log, "--linger", "600"});
        struct stat st {};
        serving_ = pid_ && PollUntil([&] { return lstat(link.c_str(), &st) == 0; }, 5.0);
    }
    ~Simulator()
    {
        if (pid_) {
            kill(pid_, SIGTERM);
            int status = 0;
            waitpid(pid_, &status, 0);
        }
    }
    // Started and serving its link.
    bool Running() const { return serving_; }
    std::string Log() const { return ReadFile(log); }
    // The log once it shows the stream switched off after it was on (the
    // closing commands of a run); what it holds after 5 s otherwise.
    std::string LogAfterStreamOff() const
    {
        std::string text;
        PollUntil(
            [&] {
                text = Log();
                const std::size_t on = text.find("rx e0");
                return on != std::string::npos && text.rfind("rx f0") > on;
            },
            5.0);
        return text;
    }
    const std::string link;
    const std::string log;

private:
    pid_t pid_ = 0;
    bool serving_ = false;
};

TEST(PortSeries, InterruptEndsTheRunWithItsClosingCommands)
{
    Simulator sim("interrupt");
    ASSERT_TRUE(sim.Running()) << "klvsim did not serve " << sim.link << " within 5 s";
    const std::string out = TempPath("interrupt.out"), err = TempPath("interrupt.err");
    const pid_t tool =
        Spawn({KLVTOOL_PATH, "measure", "--port", sim.link, "--json", TempPath("interrupt.json")},
              out, err);
    ASSERT_NE(tool, 0);
    const bool started = PollUntil(
        [&] { return ReadFile(out).find("Inizzi la misurazione 1") != std::string::npos; }, 10.0);
    kill(tool, SIGINT);
    int status = 0;
    ASSERT_EQ(waitpid(tool, &status, 0), tool);
    ASSERT_TRUE(started) << "measurement 1 did not start within 10 s:\n" << ReadFile(out);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_NE(ReadFile(err).find("series not completed: interrupted"), std::string::npos)
        << ReadFile(err);
    EXPECT_FALSE(std::ifstream(TempPath("interrupt.json")).good());
    // After the stream was on: green off, red off, stream off.
    const std::string log = sim.LogAfterStreamOff();
    const std::size_t end = log.rfind("rx 89");
    ASSERT_NE(end, std::string::npos) << log;
    EXPECT_LT(log.find("rx e0"), end) << log;
    EXPECT_LT(end, log.rfind("rx 85")) << log;
    EXPECT_LT(log.rfind("rx 85"), log.rfind("rx f0")) << log;
}

TEST(PortSeries, SimulatorSeriesOverThePtyInRealTime)
{
    Simulator sim("series");
    ASSERT_TRUE(sim.Running()) << "klvsim did not serve " << sim.link << " within 5 s";
    const std::string link = sim.link;
    const auto began = std::chrono::steady_clock::now();
    const Result r = RunKlvtool({"measure", "--port", link, "--date", "2026-12-07", "--json",
                                 TempPath("port.json"), "--curves", TempPath("port.csv")});
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    ASSERT_EQ(r.exitCode, 0) << r.err << "\n" << sim.Log();
    // Three closings of one second before and five after the trigger, and the waits between.
    EXPECT_GT(seconds, 18.0);
    const std::string json = ReadFile(TempPath("port.json"));
    EXPECT_EQ(JsonString(json, "szSerialNo"), "SN4711");
    const Curves curves = ReadCsv(ReadFile(TempPath("port.csv")));
    ASSERT_EQ(curves.c[0].size(), 3750u);
    const std::vector<double> peak = JsonNumbers(json, "dPeakForce");
    const std::vector<double> eff = JsonNumbers(json, "dEffForce");
    for (int m = 0; m < 3; ++m) {
        const Figures f = Evaluate(curves.c[m], 500.0);
        EXPECT_NEAR(peak[m], f.peak, 1e-9) << m;
        EXPECT_NEAR(eff[m], f.eff, 1e-9) << m;
        EXPECT_GT(peak[m], 250.0) << m; // the scenario's closings peak at 280 to 345 N
        EXPECT_LT(peak[m], 360.0) << m;
        EXPECT_EQ(curves.c[m][624], curves.c[m][625]) << m;
    }
    // The simulator saw the run's closing commands.
    const std::string simLog = sim.LogAfterStreamOff();
    EXPECT_NE(simLog.find("rx f0"), simLog.rfind("rx f0")) << "0xF0 at the start and at the end";
}

} // namespace
