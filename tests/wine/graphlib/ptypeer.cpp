// A raw serial peer for the serial-link tests: serves a pty at a link path,
// and on the start command streams the test pattern until the stop command.
// With --locked the pty's slave stays locked, so every open of the port
// fails, as it does for a port held by another program.
//   graphlib_ptypeer --link PATH [--rate BYTES_PER_SECOND] [--locked]
#include "stream_pattern.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

volatile sig_atomic_t g_stop = 0;

void OnSignal(int)
{
    g_stop = 1;
}

struct Options {
    std::string link;
    double rate = 20000.0;
    bool locked = false;
};

bool ParseOptions(int argc, char** argv, Options& o)
{
    for (int i = 1; i < argc; i += 2) {
        std::string key = argv[i];
        if (key == "--locked") {
            o.locked = true;
            --i;
            continue;
        }
        if (i + 1 >= argc)
            return false;
        if (key == "--link")
            o.link = argv[i + 1];
        else if (key == "--rate")
            o.rate = std::atof(argv[i + 1]);
        else
            return false;
    }
    return !o.link.empty() && o.rate > 0;
}

// Opens a pty pair; the slave end stays open here too, so the line never
// hangs up while the program under test closes and reopens its port.
bool OpenPty(int& master, int& slave, std::string& slaveName, bool locked)
{
    master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0)
        return false;
    slaveName = ptsname(master);
    if (locked)
        return true; // nobody, not even this peer, can open the slave
    if (unlockpt(master) != 0)
        return false;
    slave = open(slaveName.c_str(), O_RDWR | O_NOCTTY);
    if (slave < 0)
        return false;
    termios t;
    tcgetattr(slave, &t);
    cfmakeraw(&t);
    tcsetattr(slave, TCSANOW, &t);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    Options opt;
    if (!ParseOptions(argc, argv, opt)) {
        std::fprintf(stderr, "usage: %s --link PATH [--rate BYTES_PER_SECOND] [--locked]\n",
                     argv[0]);
        return 2;
    }
    int master = -1, slave = -1;
    std::string slaveName;
    if (!OpenPty(master, slave, slaveName, opt.locked)) {
        std::perror("ptypeer: pty");
        return 1;
    }
    unlink(opt.link.c_str());
    if (symlink(slaveName.c_str(), opt.link.c_str()) != 0) {
        std::perror("ptypeer: symlink");
        return 1;
    }
    signal(SIGTERM, OnSignal);
    signal(SIGINT, OnSignal);
    if (opt.locked) {
        while (!g_stop)
            poll(nullptr, 0, 100);
        unlink(opt.link.c_str());
        close(master);
        return 0;
    }

    using Clock = std::chrono::steady_clock;
    bool streaming = false;
    uint32_t pos = 0;
    double credit = 0; // bytes the rate allows now
    Clock::time_point last = Clock::now();
    unsigned long commands = 0;
    while (!g_stop) {
        pollfd p = {master, POLLIN, 0};
        poll(&p, 1, streaming ? 2 : 50);
        unsigned char in[64];
        ssize_t n;
        while ((n = read(master, in, sizeof in)) > 0) {
            for (ssize_t i = 0; i < n; ++i) {
                ++commands;
                if (in[i] == kPeerStart) {
                    streaming = true;
                    pos = 0;
                    credit = 0;
                } else if (in[i] == kPeerStop) {
                    streaming = false;
                }
            }
        }
        Clock::time_point now = Clock::now();
        credit += std::chrono::duration<double>(now - last).count() * opt.rate;
        last = now;
        if (!streaming) {
            credit = 0;
            continue;
        }
        if (credit > 4096)
            credit = 4096;
        unsigned char out[4096];
        size_t want = static_cast<size_t>(credit);
        for (size_t i = 0; i < want; ++i)
            out[i] = StreamByte(pos + static_cast<uint32_t>(i));
        ssize_t w = want ? write(master, out, want) : 0;
        if (w > 0) {
            pos += static_cast<uint32_t>(w);
            credit -= static_cast<double>(w);
        }
    }
    unlink(opt.link.c_str());
    std::fprintf(stderr, "ptypeer: %lu command bytes, stream position %u\n", commands, pos);
    if (slave >= 0)
        close(slave);
    close(master);
    return 0;
}
