// measure_interrupt.cpp - the interrupt flag of `klvtool measure`.
//
// Built apart from the rest of klvtool: it needs the system's <csignal>,
// which a header of the same name on the cores' include path would hide.
#include "measure_interrupt.h"

#include <csignal>

namespace {

volatile std::sig_atomic_t gInterrupted = 0;

extern "C" void OnInterrupt(int)
{
    gInterrupted = 1;
}

} // namespace

void CatchInterrupts()
{
    gInterrupted = 0;
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);
}

void ReleaseInterrupts()
{
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
}

bool Interrupted()
{
    return gInterrupted != 0;
}
