// measure_interrupt.h - Ctrl-C and termination requests during a run of
// `klvtool measure`: they end the run as the cancel button would, so the
// device still gets its closing commands.
#ifndef KLVTOOL_MEASURE_INTERRUPT_H
#define KLVTOOL_MEASURE_INTERRUPT_H

// From now on SIGINT and SIGTERM only set the flag that Interrupted() reads.
void CatchInterrupts();
// Back to the default handling (the process ends on the signal).
void ReleaseInterrupts();
bool Interrupted();

#endif
