// blocktiming.h - timing of the measurement dialog's block handling, for the
// block-handling benchmark (bench/meas_block_bench.sh). Off unless the
// environment variable KLV_BLOCK_TIMES names a file; then every block's
// handling time is kept and written there when the dialog closes, with the
// samples handled and the process's CPU time while the stream ran.
#ifndef BLOCKTIMING_H
#define BLOCKTIMING_H

// At the dialog's start: reads the environment and prepares the record.
void BlockTimingOpen();
// Around the handling of one block.
void BlockTimingBegin();
void BlockTimingEnd();
// Samples appended to the live graph.
void BlockTimingCountSamples(int count);
// At the dialog's end: writes the record (if on) and frees it.
void BlockTimingClose();

#endif
