// html_text.h - the pieces every HTML page of klvtool writes: the program's
// Windows-1252 texts as escaped UTF-8 and numbers for SVG attributes.
#ifndef KLVTOOL_HTML_TEXT_H
#define KLVTOOL_HTML_TEXT_H

#include <string>
#include <string_view>

// Appends a UTF-8 text with & < > " escaped (element content and attributes).
void AppendHtmlText(std::string& out, std::string_view utf8);

// Appends a Windows-1252 text as escaped UTF-8; CR LF and lone CRs become LF,
// so that white-space: pre-wrap shows the program's line breaks once.
void AppendProgramText(std::string& out, std::string_view cp1252);

// A short decimal for coordinates and chart values: "%.6g"; NaN and infinity
// become "0" (an SVG attribute cannot hold them).
std::string SvgNumber(double value);

#endif
