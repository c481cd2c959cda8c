// The text table of a graph window's graphs: a header naming the columns,
// then one row per sample of graph 0's capacity, tab-separated, CR LF line
// ends. Portable; varnok.dll writes it into an open file (_ASCIIExport).
#ifndef ASCIIEXPORT_H
#define ASCIIEXPORT_H

#include <cstdint>
#include <string>
#include <vector>

namespace klv {

// One graph as a column of the table.
struct ExportColumn {
    std::string name, unit;
    std::int32_t nSize;
    const std::int16_t* samples; // nSize samples
    int nMaxBit;
    double dMinValue, dMaxValue;
};

// "Spalte 1: Zeit [s]", a line per graph, two empty lines and 34 hyphens.
std::string AsciiExportHeader(const std::vector<ExportColumn>& columns);

// Row i: the time of sample i from graph 0's time base ("%0.4f\t"), then per
// graph its physical value ("%0.3f\t") or a lone tab beyond its capacity.
void FormatAsciiExportRow(std::int32_t i, double dTimeBase,
                          const std::vector<ExportColumn>& columns, std::string& row);

} // namespace klv

#endif
