// meas_wire_fuzz_check.h - what must hold for a measurement run whatever the
// device on the serial line says: identification answers, status bytes and
// blocks, at any length and cut anywhere.
#ifndef MEAS_WIRE_FUZZ_CHECK_H
#define MEAS_WIRE_FUZZ_CHECK_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The input: byte 0 chooses how the session is played, the rest is every
// byte the device sends, in order, as the run reads it (the identification
// answers first, then the stream through the link's receive loop).
//   bit 0     test mode (else a series)
//   bit 1     the questions are answered "Yes" (else "No")
//   bits 2-4  how many bytes a read of the line delivers before it times out
//             once (1, 2, 3, 5, 64, 192, 256, 1000); the timer ticks then
//   bit 5     the repeat button is pressed at every tick
//   bit 6     the cancel button is pressed at every tick
//   bit 7     blocks keep arriving while a question is open
constexpr std::uint8_t kWireTestMode = 0x01;
constexpr std::uint8_t kWireAnswerYes = 0x02;
constexpr int kWireChunkShift = 2;
constexpr std::uint8_t kWireRepeatAtTicks = 0x20;
constexpr std::uint8_t kWireCancelAtTicks = 0x40;
constexpr std::uint8_t kWireBlocksDuringQuestions = 0x80;

// How a wire session ended.
struct WireOutcome {
    std::string broken;          // empty when every promise held
    bool started = false;        // identification passed, streaming began
    bool ended = false;          // ended before the final cancel
    bool seriesComplete = false; // the dialog's result
    int errorsShown = 0;
    std::size_t blocks = 0; // blocks handed over by the receive loop
};

// Plays one session and checks the run at every step: sample indices inside
// the graph and the record, the counters within their capacities, only the
// device's own commands on the wire, a bounded number of actions per byte,
// an end with the series complete, an error shown or the user's end, and a
// cancel at the end that always ends the run.
WireOutcome PlayWireSession(const std::uint8_t* data, std::size_t size);

// The fuzz target's check: PlayWireSession's broken promise, or empty.
std::string CheckMeasWire(const std::uint8_t* data, std::size_t size);

// Recorded simulator traffic: a whole series on the 500 N and on the 300 N
// device, one with the simulator's wire faults, one device that is no KLV,
// each also in test mode and cut short.
std::vector<std::vector<std::uint8_t>> MeasWireSeeds();

// The whole-series recordings alone (the unit test plays them to the end).
std::vector<std::vector<std::uint8_t>> MeasWireSeriesRecordings();

#endif
