// The klvsim front end as people and the test bed use it: its help, its
// errors for bad scenarios, serving on the link, the log, and the link
// removed whenever it ends.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeFile(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

bool isLink(const std::string& path)
{
    struct stat st {};
    return lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

class KlvsimCli : public ::testing::Test {
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/klvsim-cli-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        link_ = dir_ + "/com1";
    }

    void TearDown() override
    {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        std::string cmd = "rm -rf '" + dir_ + "'";
        EXPECT_EQ(std::system(cmd.c_str()), 0);
    }

    // Starts klvsim with `args`; its stdout and stderr go to files.
    void start(const std::vector<std::string>& args)
    {
        std::vector<std::string> all = {KLVSIM_PATH};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& a : all)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_addopen(&fa, 1, (dir_ + "/stdout").c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&fa, 2, (dir_ + "/stderr").c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_EQ(posix_spawn(&pid_, KLVSIM_PATH, &fa, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&fa);
    }

    // Exit code, or -1 when it did not end within `seconds` (it is then killed).
    int finish(double seconds)
    {
        auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
        int status = 0;
        while (waitpid(pid_, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > until) {
                kill(pid_, SIGKILL);
                waitpid(pid_, nullptr, 0);
                pid_ = -1;
                return -1;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

    int run(const std::vector<std::string>& args)
    {
        start(args);
        return finish(10);
    }

    bool waitForLink()
    {
        for (int i = 0; i < 200; ++i) {
            if (isLink(link_))
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    // Opens the served line raw, as a host opens its serial port.
    int openLine()
    {
        int fd = ::open(link_.c_str(), O_RDWR | O_NOCTTY);
        if (fd < 0)
            return -1;
        termios t{};
        tcgetattr(fd, &t);
        cfmakeraw(&t);
        tcsetattr(fd, TCSANOW, &t);
        return fd;
    }

    // Up to `n` bytes, waiting at most `ms` for each.
    static std::vector<std::uint8_t> readBytes(int fd, std::size_t n, int ms)
    {
        std::vector<std::uint8_t> out;
        while (out.size() < n) {
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, ms) <= 0)
                break;
            std::uint8_t buf[256];
            ssize_t got = ::read(fd, buf, std::min(sizeof buf, n - out.size()));
            if (got <= 0)
                break;
            out.insert(out.end(), buf, buf + got);
        }
        return out;
    }

    // Drops what arrives until the line has been quiet for `quietMs`; false
    // when it did not go quiet within `limitMs`.
    static bool drainUntilQuiet(int fd, int quietMs, int limitMs)
    {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
        while (std::chrono::steady_clock::now() < until) {
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, quietMs) == 0)
                return true;
            std::uint8_t buf[256];
            if (::read(fd, buf, sizeof buf) <= 0)
                return false;
        }
        return false;
    }

    static void send(int fd, std::initializer_list<std::uint8_t> bytes)
    {
        std::vector<std::uint8_t> v(bytes);
        ASSERT_EQ(::write(fd, v.data(), v.size()), static_cast<ssize_t>(v.size()));
    }

    std::string scenarioFile(const std::string& text)
    {
        std::string path = dir_ + "/test.scn";
        writeFile(path, text);
        return path;
    }

    std::string out() { return readFile(dir_ + "/stdout"); }
    std::string err() { return readFile(dir_ + "/stderr"); }

    std::string dir_, link_;
    pid_t pid_ = -1;
};

TEST_F(KlvsimCli, HelpDocumentsEveryOptionAndEveryScenarioEvent)
{
    ASSERT_EQ(run({"--help"}), 0);
    const std::string help = out();
    for (const char* word : {"--link PATH",
                             "--scenario",
                             "--log",
                             "--linger",
                             "--check",
                             "--help",
                             "series",
                             "variant 300|500",
                             "serial XXXX",
                             "calibration DD MM YY",
                             "offset LEVEL",
                             "noise COUNTS SEED",
                             "wait SECONDS",
                             "press SECONDS",
                             "ramp LEVEL SECONDS",
                             "hold SECONDS",
                             "closing peak=LEVEL clamp=LEVEL",
                             "await start-wait",
                             "await threshold-wait",
                             "drop N",
                             "garbage N",
                             "flip",
                             "stall SECONDS",
                             "ff21",
                             "disturb",
                             "hangup"})
        EXPECT_NE(help.find(word), std::string::npos) << word;
}

TEST_F(KlvsimCli, UsageErrorsSayWhatIsWrong)
{
    EXPECT_EQ(run({"--scenario", "series"}), 2);
    EXPECT_NE(err().find("--link PATH is required"), std::string::npos) << err();
    EXPECT_EQ(run({"--link", link_, "--speed", "2"}), 2);
    EXPECT_NE(err().find("unknown argument '--speed'"), std::string::npos) << err();
    EXPECT_EQ(run({"--link", link_, "--linger", "soon"}), 2);
    EXPECT_NE(err().find("--linger"), std::string::npos) << err();
    EXPECT_FALSE(isLink(link_));
}

TEST_F(KlvsimCli, ABadScenarioLineIsNamedAndNothingIsServed)
{
    std::string scn = scenarioFile("variant 500\n# fine so far\nramp 100\n");
    EXPECT_EQ(run({"--link", link_, "--scenario", scn}), 1);
    EXPECT_NE(err().find(scn + ":3: ramp: missing argument"), std::string::npos) << err();
    EXPECT_FALSE(isLink(link_));
    EXPECT_EQ(run({"--check", "--scenario", scn}), 1);
    EXPECT_NE(err().find(":3:"), std::string::npos) << err();
    EXPECT_EQ(run({"--link", link_, "--scenario", dir_ + "/missing.scn"}), 1);
    EXPECT_NE(err().find("cannot read the scenario file"), std::string::npos) << err();
    EXPECT_EQ(run({"--check", "--scenario", "series"}), 0);
}

TEST_F(KlvsimCli, RefusesToReplaceSomethingThatIsNotALink)
{
    writeFile(link_, "precious");
    EXPECT_EQ(run({"--link", link_, "--scenario", scenarioFile("wait 1\n")}), 1);
    EXPECT_NE(err().find("not a symbolic link"), std::string::npos) << err();
    EXPECT_EQ(readFile(link_), "precious");
}

TEST_F(KlvsimCli, ServesTheDeviceOnTheLinkAndRemovesItWhenTheScenarioEnds)
{
    // A stale link of an earlier run is replaced.
    ASSERT_EQ(symlink("/dev/nonexistent-pty", link_.c_str()), 0);
    start({"--link", link_, "--scenario",
           scenarioFile("variant 300\nserial 4321\nawait stream\nawait stop\n"), "--linger", "0"});
    ASSERT_TRUE(waitForLink());
    int fd = -1;
    for (int i = 0; i < 100 && fd < 0; ++i) {
        fd = openLine();
        if (fd < 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_GE(fd, 0);
    send(fd, {0x52, 11, 0x52, 12, 0x52, 15});
    auto answer = readBytes(fd, 3, 1000);
    EXPECT_EQ(std::string(answer.begin(), answer.end()), "341");
    // The stream arrives as aligned triplets.
    send(fd, {0xE0});
    auto stream = readBytes(fd, 60, 1000);
    ASSERT_EQ(stream.size(), 60u);
    for (std::size_t i = 0; i < stream.size(); ++i)
        EXPECT_EQ((stream[i] & 0x80) != 0, i % 3 == 0) << i;
    // Stopping the stream ends this scenario, and with it klvsim.
    send(fd, {0xF0});
    ::close(fd);
    EXPECT_EQ(finish(5), 0);
    EXPECT_FALSE(isLink(link_));
}

TEST_F(KlvsimCli, RemovesTheLinkWhenStoppedAndLogsCommandsAndStateChanges)
{
    const std::string log = dir_ + "/wire.log";
    start({"--link", link_, "--scenario", scenarioFile("wait 600\n"), "--log", log});
    ASSERT_TRUE(waitForLink());
    int fd = openLine();
    ASSERT_GE(fd, 0);
    send(fd, {0xE0, 0x84, 0x88});
    EXPECT_EQ(readBytes(fd, 30, 1000).size(), 30u);
    send(fd, {0xF0});
    ASSERT_TRUE(drainUntilQuiet(fd, 100, 3000)) << "the stream went on after 0xF0";
    // The answer shows that everything before it has been received and logged.
    send(fd, {0x52, 4});
    EXPECT_EQ(readBytes(fd, 1, 2000), std::vector<std::uint8_t>{'K'});
    ::close(fd);
    kill(pid_, SIGTERM);
    EXPECT_EQ(finish(5), 0);
    EXPECT_FALSE(isLink(link_));
    const std::string text = readFile(log);
    for (const char* line :
         {"event line 1: wait 600", "cmd   rx e0: stream on", "state streaming",
          "cmd   rx 84: red lamp on", "state red lamp lit", "state green lamp lit",
          "cmd   rx f0: stream off", "state stream stopped",
          "cmd   rx 52 04: identification byte 4 -> 4b", "exit: stopped by a signal"})
        EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
}

TEST_F(KlvsimCli, AHangupEndsServing)
{
    start({"--link", link_, "--scenario", scenarioFile("wait 0.2\nhangup\nwait 600\n")});
    ASSERT_TRUE(waitForLink());
    EXPECT_EQ(finish(5), 0);
    EXPECT_FALSE(isLink(link_));
}

} // namespace
