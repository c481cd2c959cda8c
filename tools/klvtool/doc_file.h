// doc_file.h - reading a .klv document for klvtool's commands.
#ifndef KLVTOOL_DOC_FILE_H
#define KLVTOOL_DOC_FILE_H

#include "klvdoc.h"

// A document that reads whole; anything less is reported on standard error
// as "klvtool COMMAND: PATH: what is wrong" and refused (false).
bool LoadDocumentFile(const char* command, const char* path, MeasurementDocument* doc);

// "--help" or "-h".
bool IsHelp(const char* arg);

#endif
