#include "asciiexport.h"

#include "plotmodel.h"

#include <cstdio>

namespace klv {

std::string AsciiExportHeader(const std::vector<ExportColumn>& columns)
{
    std::string header = "Spalte 1: Zeit [s]\r\n";
    char line[128];
    for (std::size_t g = 0; g < columns.size(); ++g) {
        std::snprintf(line, sizeof line, "Spalte %d: %s [%s]\r\n", static_cast<int>(g + 2),
                      columns[g].name.c_str(), columns[g].unit.c_str());
        header += line;
    }
    header += "\r\n\r\n----------------------------------\r\n";
    return header;
}

void FormatAsciiExportRow(std::int32_t i, double dTimeBase,
                          const std::vector<ExportColumn>& columns, std::string& row)
{
    char cell[64];
    std::snprintf(cell, sizeof cell, "%0.4f\t", i * dTimeBase);
    row = cell;
    for (const ExportColumn& c : columns) {
        if (i < c.nSize) {
            std::snprintf(cell, sizeof cell, "%0.3f\t",
                          RawToPhysical(c.samples[i], c.nMaxBit, c.dMinValue, c.dMaxValue));
            row += cell;
        } else {
            row += '\t';
        }
    }
    row += "\r\n";
}

} // namespace klv
