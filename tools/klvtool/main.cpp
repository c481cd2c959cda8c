// klvtool - command-line helpers built on Klemva's portable cores.
//
// One subcommand per entry of kCommands; each gets the arguments after its
// name and returns the process exit code.
#include <cstdio>
#include <cstring>

#include "commands.h"

namespace {

struct Command {
    const char* name;
    int (*run)(int argc, char** argv);
    const char* summary;
};

const Command kCommands[] = {
    {"measure", MeasureCommand, "run a measurement series against the device or the device model"},
    {"info", InfoCommand, "print a .klv document as JSON"},
    {"export", ExportCommand, "print the curves of a .klv document as CSV in newtons"},
    {"report", ReportCommand, "write a .klv document as an HTML page, as it prints"},
    {"archive", ArchiveCommand, "list every .klv document of a folder as CSV, JSON or HTML"},
};

void PrintUsage(std::FILE* to)
{
    std::fprintf(to, "usage: klvtool COMMAND [OPTIONS]\n\ncommands:\n");
    for (const Command& command : kCommands)
        std::fprintf(to, "  %-10s %s\n", command.name, command.summary);
    std::fprintf(to, "\n'klvtool COMMAND --help' describes a command.\n");
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        PrintUsage(stderr);
        return kExitUsage;
    }
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        PrintUsage(stdout);
        return kExitOk;
    }
    for (const Command& command : kCommands) {
        if (std::strcmp(argv[1], command.name) == 0)
            return command.run(argc - 2, argv + 2);
    }
    std::fprintf(stderr, "klvtool: unknown command '%s'\n", argv[1]);
    PrintUsage(stderr);
    return kExitUsage;
}
