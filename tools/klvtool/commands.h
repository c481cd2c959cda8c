// commands.h - the subcommands of klvtool and their exit codes.
#ifndef KLVTOOL_COMMANDS_H
#define KLVTOOL_COMMANDS_H

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1; // the command ran and failed (device, file, scenario)
constexpr int kExitUsage = 2;   // bad command line

// Each takes the arguments after the command's name.
int MeasureCommand(int argc, char** argv);
int InfoCommand(int argc, char** argv);    // doc_commands.cpp
int ExportCommand(int argc, char** argv);  // doc_commands.cpp
int ReportCommand(int argc, char** argv);  // report_command.cpp
int ArchiveCommand(int argc, char** argv); // archive_command.cpp

#endif
