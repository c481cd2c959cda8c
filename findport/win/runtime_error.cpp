#include "runtime_error.h"

#include <windows.h>

#include "resource.h"
#include "texts.h"

namespace findport {

namespace {

volatile LONG lastSourceLine = 0;

const wchar_t* ExceptionDescription(DWORD code)
{
    switch (code) {
    case EXCEPTION_ACCESS_VIOLATION:
        return L"Invalid memory access";
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
        return L"Array index out of bounds";
    case EXCEPTION_DATATYPE_MISALIGNMENT:
        return L"Misaligned data access";
    case EXCEPTION_FLT_DIVIDE_BY_ZERO:
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
        return L"Division by zero";
    case EXCEPTION_FLT_OVERFLOW:
    case EXCEPTION_INT_OVERFLOW:
        return L"Overflow";
    case EXCEPTION_ILLEGAL_INSTRUCTION:
    case EXCEPTION_PRIV_INSTRUCTION:
        return L"Illegal instruction";
    case EXCEPTION_IN_PAGE_ERROR:
        return L"Page error";
    case EXCEPTION_STACK_OVERFLOW:
        return L"Stack overflow";
    default:
        return L"Unknown error";
    }
}

LONG WINAPI OnUnhandledException(EXCEPTION_POINTERS* info)
{
    const DWORD code = info && info->ExceptionRecord ? info->ExceptionRecord->ExceptionCode : 0;
    ReportRuntimeError(ExceptionDescription(code), LastSourceLine());
}

} // namespace

void NoteSourceLine(int line)
{
    lastSourceLine = line;
}

int LastSourceLine()
{
    return lastSourceLine;
}

std::wstring RuntimeErrorText(const std::wstring& description, int line)
{
    return LoadText(IDS_RUNTIME_ERROR) + LoadText(IDS_REPORT_ADDRESS) +
           LoadText(IDS_RUNTIME_DESCRIPTION) + description + LoadText(IDS_RUNTIME_LINE) +
           std::to_wstring(line);
}

void ReportRuntimeError(const std::wstring& description, int line)
{
    const std::wstring text = RuntimeErrorText(description, line);
    MessageBoxW(nullptr, text.c_str(), LoadText(IDS_ERROR_CAPTION).c_str(), MB_OK);
    ExitProcess(0);
}

void InstallRuntimeErrorReport()
{
    SetUnhandledExceptionFilter(OnUnhandledException);
}

} // namespace findport
