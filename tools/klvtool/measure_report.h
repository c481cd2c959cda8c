// measure_report.h - a finished series as JSON and its curves as CSV.
#ifndef KLVTOOL_MEASURE_REPORT_H
#define KLVTOOL_MEASURE_REPORT_H

#include <string>

#include "messdescr.h"

// UTF-8 JSON whose keys are the record's field names: szTitle, szSensorType,
// szSerialNo, nFullScale, the five value arrays of four slots, and
// "results", the four result texts. Numbers round-trip exactly (%.17g).
std::string MeasurementJson(const MessDescr& descr);

// "index,curve1,curve2,curve3,mean" and one row per sample 0..3749, in counts.
std::string CurvesCsv(const MessDescr& descr);

// Writes text to path ("-" = standard output). A regular file is written
// under a unique temporary name first and renamed, so a failure leaves no
// half file; a device or pipe is written in place.
bool WriteOutputFile(const std::string& path, const std::string& text, std::string* error);

#endif
