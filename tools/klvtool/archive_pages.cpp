// archive_pages.cpp - the views of an archive (see archive_pages.h).
#include "archive_pages.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <map>
#include <tuple>

#include "appstrings.h"
#include "cp1252.h"
#include "doc_figures.h"
#include "html_text.h"
#include "json_text.h"
#include "limit_choice.h"

namespace {

// Column headings of the figures, as the value texts name them.
const char* const kFigureHeadings[kFigureCount] = {"Forza effettiva [N]",
                                                   "Forza di serraggio [N]",
                                                   "Forza di punta [N]",
                                                   "K-fattore",
                                                   "Durata d' impulsi [s]",
                                                   ("Energ\xEC"
                                                    "a [J]")};

const AppStringId kTextHeadings[kArchiveTextCount] = {
    IDS_LABEL_EXAMINER,  IDS_LABEL_VEHICLE,     IDS_LABEL_DOOR,     IDS_LABEL_POSITION,
    IDS_LABEL_MEAS_TYPE, IDS_LABEL_SENSOR_TYPE, IDS_LABEL_SERIAL_NO};

// A description label without its colon: "Esaminatore".
std::string HeadingOf(AppStringId id)
{
    std::string text = AppString(id);
    if (!text.empty() && text.back() == ':')
        text.pop_back();
    return text;
}

// The shortest text that reads back as the same double (JSON's, CSV's and the
// table's sort keys): printf's %.17g would take most of a run over an index.
std::string ExactNumber(double value)
{
    char text[32];
    const std::to_chars_result end = std::to_chars(text, text + sizeof text, value);
    return std::string(text, end.ptr);
}

const SlotFigures& MeanOf(const ArchiveRow& row)
{
    return row.figures.slot[kMessMeanSlot];
}

bool HasFigure(const ArchiveRow& row, int f)
{
    return row.hasFigures && MeanOf(row).defined[f] && std::isfinite(MeanOf(row).value[f]);
}

bool Saturated(const ArchiveRow& row)
{
    return row.hasFigures && MeanOf(row).saturated;
}

// ---- CSV -------------------------------------------------------------------

void AppendCsvCell(std::string& out, const std::string& utf8, bool first = false)
{
    if (!first)
        out += ',';
    out += '"';
    for (char c : utf8) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}

// ---- JSON ------------------------------------------------------------------

void AppendJsonUtf8(std::string& out, const std::string& utf8)
{
    // The path is the file system's bytes; the Windows-1252 escaper would
    // misread them, so only the JSON specials are escaped here.
    out += '"';
    for (unsigned char c : utf8) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += static_cast<char>(c);
        }
    }
    out += '"';
}

// ---- HTML ------------------------------------------------------------------

const char kPageStyle[] = R"(<style>
body { font-family: Arial, "Liberation Sans", Arimo, "DejaVu Sans Condensed", sans-serif; font-size: 13px; margin: 16px; }
h1 { font-size: 18px; } h2 { font-size: 15px; margin-top: 24px; }
table { border-collapse: collapse; } th, td { border: 1px solid #bbb; padding: 2px 6px; }
th { background: #e8e8e8; cursor: pointer; } td.num, td.date { white-space: nowrap; } th[aria-sort="ascending"]::after { content: " \25B2"; }
th[aria-sort="descending"]::after { content: " \25BC"; }
td.num { text-align: right; } tr.saturated td.sat { color: #b00000; font-weight: bold; }
td.pass { color: #006400; } td.fail { color: #b00000; font-weight: bold; } td.na { color: #805000; }
#filter { margin: 8px 0; width: 320px; }
.charts { display: flex; flex-wrap: wrap; gap: 12px; }
.chart { border: 1px solid #ccc; padding: 4px; } .chart h3 { font-size: 13px; margin: 2px 4px; }
svg text { font-size: 10px; } .eff { stroke: #1f5fbf; fill: #1f5fbf; } .peak { stroke: #c03020; fill: #c03020; }
svg text.eff, svg text.peak { stroke: none; } svg polyline { fill: none; stroke-width: 1.5; } svg .axis { stroke: #000; } svg .gridline { stroke: #ddd; }
svg .limit { stroke-dasharray: 5 3; stroke-width: 1; }
</style>
)";

// Sorts by a clicked column (numbers by value, texts by their text) and hides
// the rows that do not hold the filter text; without scripts the table is
// there as written, in path order.
const char kPageScript[] = R"(<script>
(function () {
  var table = document.getElementById('documents');
  var body = table.tBodies[0];
  function key(row, col, numeric) {
    var cell = row.cells[col];
    var text = cell.getAttribute('data-sort') || cell.textContent;
    return numeric ? (text === '' ? -Infinity : parseFloat(text)) : text.toLowerCase();
  }
  Array.prototype.forEach.call(table.tHead.rows[0].cells, function (th, col) {
    th.addEventListener('click', function () {
      var numeric = th.getAttribute('data-type') === 'number';
      var up = th.getAttribute('aria-sort') !== 'ascending';
      Array.prototype.forEach.call(table.tHead.rows[0].cells, function (h) { h.removeAttribute('aria-sort'); });
      th.setAttribute('aria-sort', up ? 'ascending' : 'descending');
      var rows = Array.prototype.slice.call(body.rows);
      rows.sort(function (a, b) {
        var x = key(a, col, numeric), y = key(b, col, numeric);
        return (x < y ? -1 : x > y ? 1 : 0) * (up ? 1 : -1);
      });
      rows.forEach(function (r) { body.appendChild(r); });
    });
  });
  var filter = document.getElementById('filter');
  filter.hidden = false;
  filter.addEventListener('input', function () {
    var words = filter.value.toLowerCase();
    var shown = 0;
    Array.prototype.forEach.call(body.rows, function (r) {
      var match = r.textContent.toLowerCase().indexOf(words) >= 0;
      r.hidden = !match;
      if (match) shown++;
    });
    document.getElementById('shown').textContent = shown;
  });
})();
</script>
)";

void AppendCell(std::string& out, const std::string& utf8, const char* cls = nullptr)
{
    out += cls ? "<td class=\"" + std::string(cls) + "\">" : "<td>";
    AppendHtmlText(out, utf8);
    out += "</td>";
}

std::string FigureText(const ArchiveRow& row, int f)
{
    if (!HasFigure(row, f))
        return std::string();
    char text[32];
    std::snprintf(text, sizeof text,
                  f == kFigureKFactor || f >= kFigurePulseDuration ? "%.2f" : "%.1f",
                  MeanOf(row).value[f]);
    return text;
}

void AppendTableHead(std::string& out, bool verdict)
{
    out += "<thead><tr><th data-type=\"text\">File</th><th data-type=\"text\">Data</th>";
    for (AppStringId id : kTextHeadings) {
        out += "<th data-type=\"text\">";
        AppendHtmlText(out, Cp1252ToUtf8(HeadingOf(id)));
        out += "</th>";
    }
    for (const char* heading : kFigureHeadings) {
        out += "<th data-type=\"number\">";
        AppendHtmlText(out, Cp1252ToUtf8(heading));
        out += "</th>";
    }
    out += "<th data-type=\"text\">Saturato</th>";
    if (verdict)
        out += "<th data-type=\"text\">Verdetto</th>";
    out += "</tr></thead>\n";
}

void AppendTableRow(std::string& out, const ArchiveRow& row, const ArchiveJudgement& judgement,
                    std::size_t index)
{
    out += Saturated(row) ? "<tr class=\"saturated\">" : "<tr>";
    AppendCell(out, row.path);
    AppendCell(out, row.date, "date");
    for (const std::string& text : row.texts)
        AppendCell(out, Cp1252ToUtf8(text));
    for (int f = 0; f < kFigureCount; ++f) {
        if (HasFigure(row, f))
            out += "<td class=\"num\" data-sort=\"" + ExactNumber(MeanOf(row).value[f]) + "\">";
        else
            out += "<td class=\"num\">";
        out += FigureText(row, f) + "</td>";
    }
    AppendCell(out, Saturated(row) ? "s\xC3\xAC" : "no", "sat");
    if (!judgement.set.empty()) {
        const Outcome v = judgement.verdicts[index];
        AppendCell(out, OutcomeText(v),
                   v == Outcome::Pass   ? "pass"
                   : v == Outcome::Fail ? "fail"
                                        : "na");
    }
    out += "</tr>\n";
}

// The page's Italian name of a problem; CSV, JSON and the index keep the
// English keys of ArchiveProblemName for programs that read them.
const char* ProblemLabel(ArchiveProblemKind kind)
{
    switch (kind) {
    case ArchiveProblemKind::Foreign:
        return "non \xC3\xA8 un documento Klemva";
    case ArchiveProblemKind::CutShort:
        return "troncato";
    case ArchiveProblemKind::Damaged:
        return "danneggiato";
    case ArchiveProblemKind::Unreadable:
        return "illeggibile";
    case ArchiveProblemKind::Vanished:
        return "scomparso durante la lettura";
    case ArchiveProblemKind::LinkLoop:
        return "ciclo di collegamenti simbolici";
    }
    return "illeggibile";
}

void AppendProblems(std::string& out, const std::vector<ArchiveProblem>& problems)
{
    if (problems.empty())
        return;
    out += "<h2>File non letti (" + std::to_string(problems.size()) + ")</h2>\n";
    out += "<table id=\"problems\"><thead><tr><th>File</th><th>Motivo</th><th>Dettaglio</th>"
           "</tr></thead><tbody>\n";
    for (const ArchiveProblem& p : problems) {
        out += "<tr>";
        AppendCell(out, p.path);
        AppendCell(out, ProblemLabel(p.kind));
        AppendCell(out, p.reason);
        out += "</tr>\n";
    }
    out += "</tbody></table>\n";
}

// ---- trend charts ------------------------------------------------------------

using DoorKey = std::tuple<std::string, std::string, std::string>; // vehicle, door, position

// Days since 1970-01-01 of "YYYY-MM-DD" (proleptic Gregorian).
long DayNumber(const std::string& date)
{
    int y = std::stoi(date.substr(0, 4));
    const int m = std::stoi(date.substr(5, 2));
    const int d = std::stoi(date.substr(8, 2));
    y -= m <= 2;
    const long era = (y >= 0 ? y : y - 399) / 400;
    const long yoe = y - era * 400;
    const long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

constexpr int kChartWidth = 460;
constexpr int kChartHeight = 200;
constexpr int kPlotLeft = 48, kPlotRight = 448, kPlotTop = 14, kPlotBottom = 170;

struct ChartScale {
    long firstDay, lastDay;
    double top;
    double X(long day) const
    {
        return lastDay == firstDay ? (kPlotLeft + kPlotRight) / 2.0
                                   : kPlotLeft + double(day - firstDay) * (kPlotRight - kPlotLeft) /
                                                     double(lastDay - firstDay);
    }
    double Y(double v) const { return kPlotBottom - v * (kPlotBottom - kPlotTop) / top; }
};

void AppendSeries(std::string& out, const std::vector<const ArchiveRow*>& rows, const ChartScale& s,
                  int figure, const char* cls)
{
    std::string points, marks;
    for (const ArchiveRow* row : rows) {
        if (!HasFigure(*row, figure))
            continue;
        const double x = s.X(DayNumber(row->date)), y = s.Y(MeanOf(*row).value[figure]);
        points += SvgNumber(x) + "," + SvgNumber(y) + " ";
        marks += "<circle class=\"" + std::string(cls) + "\" cx=\"" + SvgNumber(x) + "\" cy=\"" +
                 SvgNumber(y) + "\" r=\"2.5\"><title>";
        AppendHtmlText(marks,
                       row->date + " " + FigureText(*row, figure) + " N \xE2\x80\x93 " + row->path);
        marks += "</title></circle>";
    }
    out += "<polyline class=\"" + std::string(cls) + "\" points=\"" + points + "\"/>" + marks;
}

void AppendLimit(std::string& out, double limit, const ChartScale& s, const char* cls)
{
    if (!std::isfinite(limit))
        return;
    const std::string y = SvgNumber(s.Y(limit));
    out += "<line class=\"limit " + std::string(cls) + "\" x1=\"" + std::to_string(kPlotLeft) +
           "\" y1=\"" + y + "\" x2=\"" + std::to_string(kPlotRight) + "\" y2=\"" + y + "\"/>";
}

void AppendChart(std::string& out, const DoorKey& key, std::vector<const ArchiveRow*> rows,
                 const ArchiveJudgement& judgement)
{
    std::stable_sort(rows.begin(), rows.end(),
                     [](const ArchiveRow* a, const ArchiveRow* b) { return a->date < b->date; });
    ChartScale s{DayNumber(rows.front()->date), DayNumber(rows.back()->date), 0.0};
    for (const ArchiveRow* row : rows)
        for (int f : {kFigureEffective, kFigurePeak})
            if (HasFigure(*row, f))
                s.top = std::max(s.top, MeanOf(*row).value[f]);
    for (double limit : {judgement.effectiveLimit, judgement.peakLimit})
        if (std::isfinite(limit))
            s.top = std::max(s.top, limit);
    s.top = s.top > 0.0 ? std::ceil(s.top * 1.1 / 50.0) * 50.0 : 50.0;

    out += "<div class=\"chart\"><h3>";
    AppendHtmlText(out, Cp1252ToUtf8(std::get<0>(key) + " \x96 " + std::get<1>(key) + " \x96 " +
                                     std::get<2>(key)));
    out += " (" + std::to_string(rows.size()) + ")</h3>";
    out += "<svg class=\"trend\" xmlns=\"http://www.w3.org/2000/svg\" width=\"" +
           std::to_string(kChartWidth) + "\" height=\"" + std::to_string(kChartHeight) + "\">";
    for (int k = 0; k <= 5; ++k) {
        const double v = s.top * k / 5.0;
        const std::string y = SvgNumber(s.Y(v));
        out += "<line class=\"gridline\" x1=\"" + std::to_string(kPlotLeft) + "\" y1=\"" + y +
               "\" x2=\"" + std::to_string(kPlotRight) + "\" y2=\"" + y + "\"/>";
        out += "<text x=\"" + std::to_string(kPlotLeft - 4) + "\" y=\"" + y +
               "\" text-anchor=\"end\" dominant-baseline=\"middle\">" + SvgNumber(v) + "</text>";
    }
    out += "<line class=\"axis\" x1=\"" + std::to_string(kPlotLeft) + "\" y1=\"" +
           std::to_string(kPlotBottom) + "\" x2=\"" + std::to_string(kPlotRight) + "\" y2=\"" +
           std::to_string(kPlotBottom) + "\"/>";
    out += "<text x=\"" + std::to_string(kPlotLeft) + "\" y=\"" + std::to_string(kPlotBottom + 14) +
           "\">" + rows.front()->date + "</text>";
    out += "<text x=\"" + std::to_string(kPlotRight) + "\" y=\"" +
           std::to_string(kPlotBottom + 14) + "\" text-anchor=\"end\">" + rows.back()->date +
           "</text>";
    out += "<text x=\"4\" y=\"10\">N</text>";
    AppendLimit(out, judgement.effectiveLimit, s, "eff");
    AppendLimit(out, judgement.peakLimit, s, "peak");
    AppendSeries(out, rows, s, kFigureEffective, "eff");
    AppendSeries(out, rows, s, kFigurePeak, "peak");
    out += "<text class=\"eff\" stroke=\"none\" x=\"" + std::to_string(kPlotLeft + 60) + "\" y=\"" +
           std::to_string(kChartHeight - 4) + "\">\xE2\x97\x8F Forza effettiva (media)</text>";
    out += "<text class=\"peak\" stroke=\"none\" x=\"" + std::to_string(kPlotLeft + 220) +
           "\" y=\"" + std::to_string(kChartHeight - 4) +
           "\">\xE2\x97\x8F Forza di punta (media)</text>";
    out += "</svg></div>\n";
}

void AppendCharts(std::string& out, const ArchiveScan& scan, const ArchiveJudgement& judgement)
{
    std::map<DoorKey, std::vector<const ArchiveRow*>> doors;
    for (const ArchiveRow& row : scan.rows)
        if (!row.date.empty() && row.hasFigures)
            doors[{row.texts[1], row.texts[2], row.texts[3]}].push_back(&row);
    std::string charts;
    int count = 0;
    for (const auto& [key, rows] : doors) {
        if (rows.size() < 2)
            continue;
        AppendChart(charts, key, rows, judgement);
        ++count;
    }
    out += "<h2>Andamento per veicolo, porta e posizione (" + std::to_string(count) + ")</h2>\n";
    if (!judgement.set.empty())
        out +=
            "<p>Limiti tratteggiati: insieme \xE2\x80\x9C" + judgement.set + "\xE2\x80\x9D.</p>\n";
    out += "<div class=\"charts\">\n" + charts + "</div>\n";
}

} // namespace

std::string ArchiveCsv(const ArchiveScan& scan, const ArchiveJudgement& judgement)
{
    std::string out;
    out.reserve(256 * (scan.rows.size() + 1));
    AppendCsvCell(out, "path", true);
    for (const char* key :
         {"date", "examiner", "vehicle", "door", "position", "measType", "sensorType", "serialNo"})
        AppendCsvCell(out, key);
    for (int f = 0; f < kFigureCount; ++f)
        AppendCsvCell(out, FigureJsonKey(f));
    AppendCsvCell(out, "saturated");
    if (!judgement.set.empty())
        AppendCsvCell(out, "verdict");
    out += "\n";
    for (std::size_t i = 0; i < scan.rows.size(); ++i) {
        const ArchiveRow& row = scan.rows[i];
        AppendCsvCell(out, row.path, true);
        AppendCsvCell(out, row.date);
        for (const std::string& text : row.texts)
            AppendCsvCell(out, Cp1252ToUtf8(text));
        for (int f = 0; f < kFigureCount; ++f)
            out += "," + (HasFigure(row, f) ? ExactNumber(MeanOf(row).value[f]) : std::string());
        out += Saturated(row) ? ",1" : ",0";
        if (!judgement.set.empty())
            AppendCsvCell(out, OutcomeText(judgement.verdicts[i]));
        out += "\n";
    }
    return out;
}

std::string ArchiveJson(const ArchiveScan& scan, const ArchiveJudgement& judgement)
{
    static const char* const kTextKeys[kArchiveTextCount] = {
        "examiner", "vehicle", "door", "position", "measType", "sensorType", "serialNo"};
    std::string out = "{\n  \"folder\": ";
    out.reserve(512 * (scan.rows.size() + scan.problems.size() + 1));
    AppendJsonUtf8(out, scan.index.folder);
    if (!judgement.set.empty()) {
        out += ",\n  \"set\": ";
        AppendJsonUtf8(out, judgement.set);
    }
    out += ",\n  \"documents\": [";
    for (std::size_t i = 0; i < scan.rows.size(); ++i) {
        const ArchiveRow& row = scan.rows[i];
        out += i ? ",\n    {" : "\n    {";
        out += "\"path\": ";
        AppendJsonUtf8(out, row.path);
        out += ", \"date\": ";
        if (row.date.empty())
            out += "null";
        else
            AppendJsonUtf8(out, row.date);
        for (int c = 0; c < kArchiveTextCount; ++c) {
            out += std::string(", \"") + kTextKeys[c] + "\": ";
            AppendJsonString(out, row.texts[c]);
        }
        for (int f = 0; f < kFigureCount; ++f)
            out += std::string(", \"") + FigureJsonKey(f) +
                   "\": " + (HasFigure(row, f) ? ExactNumber(MeanOf(row).value[f]) : "null");
        out += std::string(", \"saturated\": ") + (Saturated(row) ? "true" : "false");
        if (!judgement.set.empty()) {
            const Outcome v = judgement.verdicts[i];
            out += std::string(", \"verdict\": \"") + OutcomeText(v) + "\", \"pass\": " +
                   (v == Outcome::Pass   ? "true"
                    : v == Outcome::Fail ? "false"
                                         : "null");
        }
        out += "}";
    }
    out += scan.rows.empty() ? "],\n" : "\n  ],\n";
    out += "  \"problems\": [";
    for (std::size_t i = 0; i < scan.problems.size(); ++i) {
        const ArchiveProblem& p = scan.problems[i];
        out += i ? ",\n    {\"path\": " : "\n    {\"path\": ";
        AppendJsonUtf8(out, p.path);
        out += std::string(", \"kind\": \"") + ArchiveProblemName(p.kind) + "\", \"reason\": ";
        AppendJsonUtf8(out, p.reason);
        out += "}";
    }
    out += scan.problems.empty() ? "]\n}\n" : "\n  ]\n}\n";
    return out;
}

std::string ArchiveHtml(const ArchiveScan& scan, const ArchiveJudgement& judgement)
{
    std::string out = "<!DOCTYPE html>\n<html lang=\"it\">\n<head>\n<meta charset=\"utf-8\">\n"
                      "<title>Archivio ";
    AppendHtmlText(out, scan.index.folder);
    out += "</title>\n";
    out += kPageStyle;
    out += "</head>\n<body>\n<h1>Archivio ";
    AppendHtmlText(out, scan.index.folder);
    out += "</h1>\n<p><span id=\"count\">" + std::to_string(scan.rows.size()) +
           "</span> documenti, <span id=\"shown\">" + std::to_string(scan.rows.size()) +
           "</span> mostrati";
    if (!judgement.set.empty()) {
        out += "; verdetto secondo l'insieme di limiti \xE2\x80\x9C";
        AppendHtmlText(out, judgement.set);
        out += "\xE2\x80\x9D";
    }
    out += ".</p>\n<input id=\"filter\" type=\"search\" placeholder=\"Filtrare\xE2\x80\xA6\" "
           "hidden>\n";
    out.reserve(1024 * (scan.rows.size() + scan.problems.size() + 1));
    out += "<table id=\"documents\">\n";
    AppendTableHead(out, !judgement.set.empty());
    out += "<tbody>\n";
    for (std::size_t i = 0; i < scan.rows.size(); ++i)
        AppendTableRow(out, scan.rows[i], judgement, i);
    out += "</tbody></table>\n";
    AppendProblems(out, scan.problems);
    AppendCharts(out, scan, judgement);
    out += kPageScript;
    out += "</body>\n</html>\n";
    return out;
}
