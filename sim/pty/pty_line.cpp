#include "pty_line.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace klvsim {

bool MakeRaw(int fd)
{
    termios t{};
    if (tcgetattr(fd, &t) != 0)
        return false;
    cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    cfsetispeed(&t, B19200);
    cfsetospeed(&t, B19200);
    return tcsetattr(fd, TCSANOW, &t) == 0;
}

PtyLine::~PtyLine()
{
    RemoveLink();
    if (slaveKeeper_ >= 0)
        ::close(slaveKeeper_);
    if (master_ >= 0)
        ::close(master_);
}

bool PtyLine::Open(const std::string& linkPath, std::string& error)
{
    auto failWith = [&error](const std::string& what) {
        error = what + ": " + std::strerror(errno);
        return false;
    };
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0)
        return failWith("cannot open a pseudo-terminal");
    if (grantpt(master_) != 0 || unlockpt(master_) != 0)
        return failWith("cannot unlock the pseudo-terminal");
    const char* name = ptsname(master_);
    if (!name)
        return failWith("cannot name the pseudo-terminal");
    slaveName_ = name;
    slaveKeeper_ = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (slaveKeeper_ < 0)
        return failWith("cannot open " + slaveName_);
    if (!MakeRaw(slaveKeeper_))
        return failWith("cannot make " + slaveName_ + " raw");
    int flags = fcntl(master_, F_GETFL);
    if (flags < 0 || fcntl(master_, F_SETFL, flags | O_NONBLOCK) != 0)
        return failWith("cannot make the pty master non-blocking");
    fcntl(master_, F_SETFD, FD_CLOEXEC);
    fcntl(slaveKeeper_, F_SETFD, FD_CLOEXEC);

    struct stat st {};
    if (lstat(linkPath.c_str(), &st) == 0 && !S_ISLNK(st.st_mode)) {
        errno = EEXIST;
        return failWith("refusing to replace " + linkPath + " (not a symbolic link)");
    }
    // Make the link under a temporary name and rename it into place, so that a
    // waiting host never sees a half-made or stale link.
    std::string tmp = linkPath + ".klvsim-" + std::to_string(getpid());
    ::unlink(tmp.c_str());
    if (symlink(slaveName_.c_str(), tmp.c_str()) != 0)
        return failWith("cannot create a link at " + tmp);
    if (rename(tmp.c_str(), linkPath.c_str()) != 0) {
        int e = errno;
        ::unlink(tmp.c_str());
        errno = e;
        return failWith("cannot create the link " + linkPath);
    }
    linkPath_ = linkPath;
    linked_ = true;
    return true;
}

void PtyLine::RemoveLink()
{
    if (!linked_)
        return;
    linked_ = false;
    char target[4096];
    ssize_t n = readlink(linkPath_.c_str(), target, sizeof target - 1);
    if (n < 0)
        return;
    target[n] = 0;
    // Another simulator may have taken the path over meanwhile: leave its link alone.
    if (slaveName_ == target)
        ::unlink(linkPath_.c_str());
}

} // namespace klvsim
