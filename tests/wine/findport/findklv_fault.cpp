// findklv_fault: runs FindKLV's run-time error report on a real fault, so the
// Wine tests can check the box and the exit code.
//
//   findklv_fault thrown    an error the program raises itself
//   findklv_fault memory    an invalid memory access (a processor exception)
//
// Prints the source line the report must name, then faults.
#include <windows.h>

#include <cstdio>
#include <cwchar>

#include "runtime_error.h"

namespace {

int RaiseOwnError()
{
    std::printf("%d\n", __LINE__ + 2);
    std::fflush(stdout);
    throw FINDKLV_FAULT(L"Can't open the window");
}

int TouchInvalidMemory()
{
    findport::NoteSourceLine(__LINE__);
    std::printf("%d\n", findport::LastSourceLine());
    std::fflush(stdout);
    volatile int* nowhere = nullptr;
    *nowhere = 1;
    return 3;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    findport::InstallRuntimeErrorReport();
    if (argc == 2 && std::wcscmp(argv[1], L"thrown") == 0)
        return findport::RunReportingErrors(RaiseOwnError);
    if (argc == 2 && std::wcscmp(argv[1], L"memory") == 0)
        return findport::RunReportingErrors(TouchInvalidMemory);
    std::fprintf(stderr, "usage: findklv_fault thrown|memory\n");
    return 2;
}
