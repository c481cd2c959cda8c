// measure.h - `klvtool measure`: one measurement series without the GUI.
#ifndef KLVTOOL_MEASURE_H
#define KLVTOOL_MEASURE_H

#include <cstdio>
#include <string>

#include "measrun.h"
#include "measure_link.h"
#include "messdescr.h"

// Plays a whole series on link into descr (a full record), printing the
// status texts to console. True when the series completed; otherwise false
// with the reason in error (the run has then closed the link).
bool RunMeasurementSeries(LinkTransport& link, MessDescr* descr, const MeasDate& date,
                          std::FILE* console, std::string* error);

// The command line of `measure` after the command's name.
struct MeasureOptions {
    std::string sim;
    std::string port;
    std::string date;
    std::string json;
    std::string curves;
    bool help = false;
};

// Takes "--name value" and "--name=value" options (the registered file
// options too). False with the reason in error for an unknown option, a
// missing value, or not exactly one of --sim and --port; the date is checked
// by ParseMeasDate.
bool ParseMeasureOptions(int argc, char** argv, MeasureOptions* options, std::string* error);

// Parses "YYYY-MM-DD" (a real calendar date).
bool ParseMeasDate(const std::string& text, MeasDate* date);

// A further output file of `measure`, written from the completed record,
// e.g. "--out FILE.klv". Register before MeasureCommand runs.
using MeasureFileWriter = bool (*)(const MessDescr& descr, const std::string& path,
                                   std::string* error);
void RegisterMeasureFileOption(const char* option, const char* valueName, const char* help,
                               MeasureFileWriter writer);

#endif
