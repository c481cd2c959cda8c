// The port finder's run: the timed phase with the progress window, the final
// phase with the failure question, and storing the port that was found.
#ifndef SEEK_SESSION_H
#define SEEK_SESSION_H

#include <cstdint>
#include <string>

#include "probe_port.h"

namespace findport {

constexpr uint32_t kTimedPhaseMs = 20000;
constexpr uint32_t kEventWaitMs = 10;
constexpr uint32_t kTickSpacingMs = 5; // a tick needs more than this since the last
constexpr uint32_t kTicksPerScan = 100;

constexpr int kExitFound = 0;
constexpr int kExitGaveUp = 1;

// The progress window as the run sees it.
class SeekWindow {
public:
    virtual ~SeekWindow() = default;
    virtual void Open() = 0;
    // Waits up to maxMs for a window event; true when it was a click on Cancel.
    virtual bool WaitForEvent(uint32_t maxMs) = 0;
    virtual void SetProgress(uint32_t elapsedMs) = 0;
    virtual void Close() = 0;
    // Shows the failure message; true for "Yes" (search again).
    virtual bool AskSearchAgain() = 0;
};

// Records the found port for the measurement program.
class PortStore {
public:
    virtual ~PortStore() = default;
    // index: the port number minus 1.
    virtual void StorePort(int32_t index) = 0;
};

// The ports the measurement program can be set to: COM1..COM32, stored as
// the index 0..31.
constexpr int32_t kLowestStorablePort = 1;
constexpr int32_t kHighestStorablePort = 32;

// The port index of a ScanPorts result ("KLV1-AC5|COM4" -> 3), or false when
// the text names no COM port the measurement program can be set to.
bool PortIndexFromScanResult(const std::wstring& scanResult, int32_t& index);

// The hint file's content for a port index, without a line break.
std::string HintFileText(int32_t index);

// Runs the whole search; returns the process exit code.
int RunSeek(PortProbe& probe, Clock& clock, SeekWindow& window, PortStore& store);

} // namespace findport

#endif
