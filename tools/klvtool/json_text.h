// json_text.h - the pieces of JSON both klvtool reports write: the program's
// Windows-1252 texts as JSON strings and doubles as JSON numbers.
#ifndef KLVTOOL_JSON_TEXT_H
#define KLVTOOL_JSON_TEXT_H

#include <string>
#include <string_view>

// Appends a Windows-1252 text as a quoted, escaped UTF-8 JSON string.
void AppendJsonString(std::string& out, std::string_view cp1252);

// A double as JSON; NaN and infinity (any bit pattern can stand in a file or
// come out of a broken evaluation) have no JSON form and become null.
std::string JsonNumber(double value);

#endif
