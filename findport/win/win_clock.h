// The millisecond clock and waits of the probe on Windows.
#ifndef WIN_CLOCK_H
#define WIN_CLOCK_H

#include "probe_port.h"

namespace findport {

class WinClock : public Clock {
public:
    WinClock() = default;
    ~WinClock() override;
    WinClock(const WinClock&) = delete;
    WinClock& operator=(const WinClock&) = delete;

    uint32_t Milliseconds() override;

protected:
    void RaiseTimerResolution() override;
    void Sleep(uint32_t ms) override;

private:
    bool raised_ = false;
};

} // namespace findport

#endif
