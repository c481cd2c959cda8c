#include "win_clock.h"

#include <windows.h>
#include <mmsystem.h>

namespace findport {

WinClock::~WinClock()
{
    if (raised_)
        timeEndPeriod(1);
}

uint32_t WinClock::Milliseconds()
{
    return timeGetTime();
}

// Waits of 2 and 3 ms need the 1 ms timer; the default tick is 10 to 16 ms.
void WinClock::RaiseTimerResolution()
{
    raised_ = timeBeginPeriod(1) == TIMERR_NOERROR;
}

void WinClock::Sleep(uint32_t ms)
{
    ::Sleep(ms);
}

} // namespace findport
