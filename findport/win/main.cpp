// FindKLV: finds the serial port of the KLV device and stores it for the
// measurement program. Exit code 0 when the port was found and stored (or
// after a run-time error was reported), 1 when the user gave up.
#include <windows.h>

#include "probe_port.h"
#include "progress_window.h"
#include "registry_store.h"
#include "runtime_error.h"
#include "seek_session.h"
#include "win_clock.h"
#include "win_serial.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    using namespace findport;
    InstallRuntimeErrorReport();
    return RunReportingErrors([instance] {
        NoteSourceLine(__LINE__);
        WinPortSystem ports;
        WinClock clock;
        PortProbe probe(ports, clock);
        ProgressWindow window(instance);
        RegistryPortStore store;
        return RunSeek(probe, clock, window, store);
    });
}
