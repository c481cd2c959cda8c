#include "seek_session.h"

#include <cwctype>

namespace findport {

namespace {

constexpr char kHintSentence[] =
    "This file should reside in the Directory Klemva was installed to (Top level)";

// Stores the port of a non-empty scan result; true when the device was found
// on a port the measurement program can open. A device answering on COM0
// would give index -1, which no setting of the measurement program reaches:
// storing it would leave the program with a broken port setting, so the
// search goes on as if nothing had been found.
bool StoreFound(const std::wstring& scanResult, PortStore& store)
{
    int32_t index = 0;
    if (scanResult.empty() || !PortIndexFromScanResult(scanResult, index))
        return false;
    store.StorePort(index);
    return true;
}

// The timed phase; true when the device was found and stored.
bool RunTimedPhase(PortProbe& probe, Clock& clock, SeekWindow& window, PortStore& store,
                   uint32_t start)
{
    bool anyTick = false;
    uint32_t lastTick = start;
    uint32_t tickCount = 0;
    while (clock.Milliseconds() - start <= kTimedPhaseMs) {
        const bool cancel = window.WaitForEvent(kEventWaitMs);
        const uint32_t now = clock.Milliseconds();
        if (!anyTick || now - lastTick > kTickSpacingMs) {
            window.SetProgress(now - start);
            lastTick = now;
            anyTick = true;
            if (tickCount % kTicksPerScan == 0 && StoreFound(probe.ScanPorts(), store)) {
                window.Close();
                return true;
            }
            ++tickCount;
        }
        if (cancel)
            break;
    }
    window.Close();
    return false;
}

} // namespace

bool PortIndexFromScanResult(const std::wstring& scanResult, int32_t& index)
{
    const size_t bar = scanResult.rfind(L'|');
    if (bar == std::wstring::npos)
        return false;
    const std::wstring name = scanResult.substr(bar + 1);
    if (name.size() < 4 || name.size() > 6 || name.compare(0, 3, L"COM") != 0)
        return false;
    int32_t number = 0;
    for (size_t i = 3; i < name.size(); ++i) {
        if (!std::iswdigit(name[i]))
            return false;
        number = number * 10 + (name[i] - L'0');
    }
    if (number < kLowestStorablePort || number > kHighestStorablePort)
        return false;
    index = number - 1;
    return true;
}

std::string HintFileText(int32_t index)
{
    return std::to_string(index) + kHintSentence;
}

int RunSeek(PortProbe& probe, Clock& clock, SeekWindow& window, PortStore& store)
{
    const uint32_t start = clock.Milliseconds();
    window.Open();
    clock.PrepareWaits();
    if (RunTimedPhase(probe, clock, window, store, start))
        return kExitFound;
    for (;;) {
        if (StoreFound(probe.ScanPorts(), store))
            return kExitFound;
        if (!window.AskSearchAgain())
            return kExitGaveUp;
    }
}

} // namespace findport
