// Run-time errors of FindKLV: whatever goes wrong, the user is told how to
// report it and that the port can still be set by hand; the process then ends
// with exit code 0 so that an installer running the tool carries on.
#ifndef FINDKLV_RUNTIME_ERROR_H
#define FINDKLV_RUNTIME_ERROR_H

#include <exception>
#include <string>

namespace findport {

// An error detected by the program itself, with the source line it came from.
class RuntimeFault : public std::exception {
public:
    RuntimeFault(std::wstring description, int line)
        : description_(std::move(description)), line_(line)
    {
    }
    const char* what() const noexcept override { return "FindKLV run-time error"; }
    const std::wstring& Description() const { return description_; }
    int Line() const { return line_; }

private:
    std::wstring description_;
    int line_;
};

#define FINDKLV_FAULT(description) ::findport::RuntimeFault((description), __LINE__)

// Remembers the source line the program is at, for errors that carry none
// (a failed allocation, a processor exception).
void NoteSourceLine(int line);
int LastSourceLine();

// The error report's text.
std::wstring RuntimeErrorText(const std::wstring& description, int line);

// Shows the error report in a box titled "Error" and ends the process with
// exit code 0.
[[noreturn]] void ReportRuntimeError(const std::wstring& description, int line);

// Routes processor exceptions (invalid memory access and the like) to the
// error report.
void InstallRuntimeErrorReport();

// Runs body and turns any exception it lets out into the error report.
template <typename Body> int RunReportingErrors(Body body)
{
    try {
        return body();
    } catch (const RuntimeFault& fault) {
        ReportRuntimeError(fault.Description(), fault.Line());
    } catch (const std::bad_alloc&) {
        ReportRuntimeError(L"Out of memory", LastSourceLine());
    } catch (const std::exception& e) {
        const std::string what = e.what();
        ReportRuntimeError(std::wstring(what.begin(), what.end()), LastSourceLine());
    } catch (...) {
        ReportRuntimeError(L"Unknown error", LastSourceLine());
    }
}

} // namespace findport

#endif
