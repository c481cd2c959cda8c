// doc_report.cpp - JSON and CSV views of a .klv document (see doc_report.h).
#include "doc_report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "cp1252.h"
#include "json_text.h"

namespace {

// Builds one JSON object with a fixed indentation, members in call order.
class JsonObject {
public:
    JsonObject(std::string& out, int indent) : out_(out), pad_(indent, ' ') { out_ += "{"; }
    void Text(const char* key, const std::string& cp1252)
    {
        Key(key);
        AppendJsonString(out_, cp1252);
    }
    void Number(const char* key, double value) { Raw(key, JsonNumber(value)); }
    void Integer(const char* key, long long value) { Raw(key, std::to_string(value)); }
    void Raw(const char* key, const std::string& json)
    {
        Key(key);
        out_ += json;
    }
    void Key(const char* key)
    {
        out_ += first_ ? "\n" : ",\n";
        first_ = false;
        out_ += pad_ + "  \"" + key + "\": ";
    }
    void Close() { out_ += "\n" + pad_ + "}"; }
    const std::string& Pad() const { return pad_; }

private:
    std::string& out_;
    std::string pad_;
    bool first_ = true;
};

void AppendGraph(std::string& out, const GraphImage& g, int indent)
{
    JsonObject o(out, indent);
    o.Text("szName", TerminatedText(g.szName, sizeof g.szName));
    o.Text("szUnit", TerminatedText(g.szUnit, sizeof g.szUnit));
    o.Integer("nSize", g.nSize);
    o.Integer("nBuffEnd", g.nBuffEnd);
    o.Number("dTimeBase", g.dTimeBase);
    o.Number("dMinValue", g.dMinValue);
    o.Number("dMaxValue", g.dMaxValue);
    o.Integer("nMinBit", g.nMinBit);
    o.Integer("nMaxBit", g.nMaxBit);
    o.Close();
}

void AppendGraphWindow(std::string& out, const GraphWindowImage& w, int indent)
{
    const GraphBlockImage& b = w.block;
    JsonObject o(out, indent);
    o.Text("title", TerminatedText(w.szTitle, sizeof w.szTitle));
    o.Integer("nStyle", b.nStyle);
    o.Integer("nXLines", b.nXLines);
    o.Integer("nYLines", b.nYLines);
    o.Number("dTimeMin", b.dTimeMin);
    o.Number("dTimeMax", b.dTimeMax);
    o.Number("dZoomTimeMin", b.dZoomTimeMin);
    o.Number("dZoomTimeMax", b.dZoomTimeMax);
    o.Integer("nZoomMinBit", b.nZoomMinBit);
    o.Integer("nZoomMaxBit", b.nZoomMaxBit);
    o.Number("dMinValue", b.dMinValue);
    o.Number("dMaxValue", b.dMaxValue);
    o.Integer("nMinBit", b.nMinBit);
    o.Integer("nMaxBit", b.nMaxBit);
    o.Text("szAxisLabel", TerminatedText(b.szAxisLabel, sizeof b.szAxisLabel));
    o.Text("szNotes", TerminatedText(b.szNotes, sizeof b.szNotes));
    o.Integer("nTimeFormat", b.nTimeFormat);
    o.Key("graphs");
    if (w.graphs.empty()) {
        out += "[]";
    } else {
        out += "[";
        for (std::size_t i = 0; i < w.graphs.size(); ++i) {
            out += i ? ",\n" : "\n";
            out += o.Pad() + "    ";
            AppendGraph(out, w.graphs[i], indent + 4);
        }
        out += "\n" + o.Pad() + "  ]";
    }
    o.Close();
}

// The valid part of a graph: nBuffEnd samples, never more than it holds.
std::size_t ValidCount(const GraphImage& g)
{
    return std::min<std::size_t>(g.nBuffEnd, g.samples.size());
}

bool SameTimeAxis(const KlvCurveColumn& a, const KlvCurveColumn& b)
{
    return a.timeStart == b.timeStart && a.timeBase == b.timeBase;
}

void AppendCsvCell(std::string& row, const std::string& text)
{
    row += '"';
    for (char c : text) {
        if (c == '"')
            row += '"';
        row += c;
    }
    row += '"';
}

} // namespace

std::string KlvInfoJson(const MeasurementDocument& doc, const std::vector<std::string>& moreMembers)
{
    std::string out;
    JsonObject o(out, 0);
    for (int item = 0; item < kKlvTextItems; ++item) {
        if (item != kKlvKalib)
            o.Text(kKlvTextSlots[item].name, doc.texts[item]);
    }
    o.Key("graphWindows");
    out += "[";
    for (int k = 0; k < kKlvGraphWindows; ++k) {
        out += k ? ",\n    " : "\n    ";
        AppendGraphWindow(out, doc.graphWindows[k], 4);
    }
    out += "\n  ]";
    for (const std::string& member : moreMembers)
        out += ",\n  " + member;
    o.Close();
    out += "\n";
    return out;
}

std::vector<KlvCurveColumn> KlvCurveColumns(const MeasurementDocument& doc,
                                            std::vector<std::string>* notes)
{
    std::vector<KlvCurveColumn> columns;
    for (int k = 0; k < kKlvGraphWindows; ++k) {
        const GraphWindowImage& w = doc.graphWindows[k];
        for (std::size_t i = 0; i < w.graphs.size(); ++i) {
            const GraphImage& g = w.graphs[i];
            const std::size_t count = ValidCount(g);
            if (count == 0)
                continue;
            const std::string id = "Graph" + std::to_string(k + 1) + "." + std::to_string(i + 1);
            if (g.nMaxBit == 0) {
                notes->push_back(id + ": raw full scale nMaxBit is 0, its samples cannot be "
                                      "converted and are left out");
                continue;
            }
            KlvCurveColumn column;
            column.heading = id + " " + Cp1252ToUtf8(TerminatedText(g.szName, sizeof g.szName)) +
                             " [" + Cp1252ToUtf8(TerminatedText(g.szUnit, sizeof g.szUnit)) + "]";
            column.timeStart = w.block.dTimeMin;
            column.timeBase = g.dTimeBase;
            const double span = g.dMaxValue - g.dMinValue;
            column.values.reserve(count);
            for (std::size_t s = 0; s < count; ++s)
                column.values.push_back(g.samples[s] / static_cast<double>(g.nMaxBit) * span +
                                        g.dMinValue);
            columns.push_back(std::move(column));
        }
    }
    return columns;
}

std::string KlvCurvesCsv(const std::vector<KlvCurveColumn>& columns,
                         std::vector<std::string>* notes)
{
    std::string out = "\"time [s]\"";
    std::size_t rows = 0;
    for (const KlvCurveColumn& column : columns) {
        out += ',';
        AppendCsvCell(out, column.heading);
        rows = std::max(rows, column.values.size());
        if (!SameTimeAxis(column, columns.front()))
            notes->push_back(column.heading + ": its time axis differs from the first curve's; its "
                                              "values are listed by sample index");
    }
    out += "\n";
    for (std::size_t r = 0; r < rows; ++r) {
        char cell[48];
        const KlvCurveColumn& first = columns.front();
        std::snprintf(cell, sizeof cell, "%.4f",
                      first.timeStart + static_cast<double>(r) * first.timeBase);
        out += cell;
        for (const KlvCurveColumn& column : columns) {
            out += ',';
            if (r < column.values.size() && std::isfinite(column.values[r])) {
                std::snprintf(cell, sizeof cell, "%.3f", column.values[r]);
                out += cell;
            }
        }
        out += "\n";
    }
    return out;
}

std::string Utf8ToCp1252(const std::string& utf8)
{
    // Windows-1252 bytes 0x80..0x9F and the characters they stand for.
    static const char32_t kHigh[32] = {
        0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const unsigned char lead = static_cast<unsigned char>(utf8[i]);
        int length = lead < 0x80         ? 1
                     : (lead >> 5) == 6  ? 2
                     : (lead >> 4) == 14 ? 3
                     : (lead >> 3) == 30 ? 4
                                         : 0;
        char32_t code = length == 1   ? lead
                        : length == 2 ? lead & 0x1F
                        : length == 3 ? lead & 0x0F
                                      : lead & 0x07;
        bool valid = length > 0 && i + length <= utf8.size();
        for (int k = 1; valid && k < length; ++k) {
            const unsigned char next = static_cast<unsigned char>(utf8[i + k]);
            valid = (next & 0xC0) == 0x80;
            code = (code << 6) | (next & 0x3F);
        }
        i += valid ? length : 1;
        char byte = '?';
        if (valid && (code < 0x80 || (code >= 0xA0 && code <= 0xFF))) {
            byte = static_cast<char>(code);
        } else if (valid) {
            for (int k = 0; k < 32; ++k) {
                if (kHigh[k] != 0 && kHigh[k] == code)
                    byte = static_cast<char>(0x80 + k);
            }
        }
        out += byte;
    }
    return out;
}
