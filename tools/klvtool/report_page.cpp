// report_page.cpp - the inspection report as HTML (see report_page.h).
#include "report_page.h"

#include <cstring>

#include "appstrings.h"
#include "cp1252.h"
#include "html_text.h"
#include "printlayout.h"
#include "svg_graph.h"

namespace {

// The page in CSS pixels: the printable part of an A4 sheet inside the
// 12 mm margins of the print style (186 x 273 mm at 96 pixels per inch,
// rounded down so that it always fits on one sheet).
constexpr int kPageWidth = 700;
constexpr int kPageHeight = 1030;

// Line heights of the page fonts at 96 pixels per inch: Arial 7, 8 and
// 10 points (9.33, 10.67 and 13.33 pixels) and the graph fonts.
constexpr int kFooterLine = 11;
constexpr int kTextLine = 13;
constexpr GraphTextMetrics kGraphMetrics = {14, 11, 12};

const char kSaturationWarning[] =
    "Attenzione: sensore saturato, la forza ha raggiunto il fondo scala; "
    "i valori possono essere inferiori a quelli reali.";

const char kStyle[] = R"(<style>
body { margin: 0; background: #d8d8d8; font-family: Arial, "Liberation Sans", Arimo, "DejaVu Sans Condensed", sans-serif; }
.page { position: relative; width: 700px; height: 1030px; margin: 16px auto; background: #fff;
        box-shadow: 0 0 6px #888; overflow: hidden; color: #000; }
.page div { position: absolute; }
svg { display: block; }
.box { border: 1px solid #000; box-sizing: border-box; }
.text { white-space: pre-wrap; overflow-wrap: break-word; overflow: hidden; font-size: 10.67px; line-height: 13px; }
.heading { font-size: 13.33px; font-weight: bold; line-height: 16px; }
.headertext { overflow: hidden; } .headertext p { margin: 0; } .description { margin-top: 7px !important; }
.footer { font-size: 9.33px; line-height: 11px; text-align: center; white-space: nowrap; }
.warning { color: #b00000; font-weight: bold; }
.verdict { border-top: 1px solid #000; }
.verdict .pass { color: #006400; font-weight: bold; } .verdict .fail { color: #b00000; font-weight: bold; }
svg text { font-size: 9.33px; fill: #000; } svg text.title { font-size: 12px; }
svg .frame { fill: #fff; stroke: #000; stroke-width: 1; } svg .grid line { stroke: #999; stroke-dasharray: 2 2; }
svg .curve { fill: none; stroke: #000; stroke-width: 1; } svg .marker { fill: #000; }
@page { size: A4; margin: 12mm; }
@media print { body { background: #fff; } .page { margin: 0; box-shadow: none; } }
</style>
)";

std::string Px(int v)
{
    return std::to_string(v) + "px";
}

// An absolutely placed block of the page.
void OpenBlock(std::string& out, const char* cls, int left, int top, int width, int height)
{
    out += "<div class=\"" + std::string(cls) + "\" style=\"left:" + Px(left) + ";top:" + Px(top) +
           ";width:" + Px(width) + ";height:" + Px(height) + "\">";
}

std::string FieldOf(const MeasurementDocument& doc, KlvTextItem item)
{
    return doc.texts[item];
}

// The header: the title line in the heading font one line down, the
// description block below it, both word-wrapped in the box's text
// rectangle. On paper the description starts three text lines down,
// whatever the title's length; here it follows the title, so that a title
// that wraps does not run into the examiner's line.
void AppendHeader(std::string& out, const MeasurementDocument& doc, const PageLayout& page,
                  const std::string& path)
{
    const PageRect& box = page.headerBox;
    OpenBlock(out, "box", box.left, box.top, box.right - box.left, box.bottom - box.top);
    out += "</div>";
    const PageRect& r = page.headerText;
    char heading[256];
    std::snprintf(heading, sizeof heading, "\r\n%s (%s %s)", FieldOf(doc, kKlvTitle).c_str(),
                  FieldOf(doc, kKlvSensorTyp).c_str(), FieldOf(doc, kKlvSerNo).c_str());
    // The path comes last in the description; it is shown as given (UTF-8),
    // the other texts are the program's Windows-1252 texts.
    char description[2048];
    FormatAppString(description, sizeof description, IDS_PRINT_DESCRIPTION,
                    FieldOf(doc, kKlvPruefer).c_str(), FieldOf(doc, kKlvFahrzeug).c_str(),
                    FieldOf(doc, kKlvTuer).c_str(), FieldOf(doc, kKlvPosition).c_str(),
                    FieldOf(doc, kKlvMessTyp).c_str(), FieldOf(doc, kKlvEdit).c_str(), "");
    const char* below = description;
    for (int breaks = 0; breaks < 3 && std::strncmp(below, "\r\n", 2) == 0; ++breaks)
        below += 2;
    OpenBlock(out, "headertext", r.left, r.top, r.right - r.left, r.bottom - r.top);
    out += "<p class=\"text heading\">";
    AppendProgramText(out, heading);
    out += "</p><p class=\"text description\">";
    AppendProgramText(out, below);
    AppendHtmlText(out, path);
    out += "</p></div>";
}

void AppendBand(std::string& out, const MeasurementDocument& doc, const PrintBand& band, int k,
                bool saturated)
{
    const GraphBox box = {band.graphX, band.graphY, band.graphWidth, band.graphHeight, k + 1};
    OpenBlock(out, "band", 0, band.graphY, band.graphX + band.graphWidth, band.graphHeight);
    out += GraphWindowSvg(doc.graphWindows[k], box, kGraphMetrics) + "</div>";
    std::string value = doc.texts[kKlvDescr1 + k].substr(0, kPrintValueTextChars);
    ReplaceTabsBySpaces(value.data());
    const PageRect& r = band.text;
    OpenBlock(out, "text value", r.left, r.top, r.right - r.left, r.bottom - r.top);
    AppendProgramText(out, value);
    if (saturated) {
        out += "\n\n<span class=\"warning saturation\">";
        AppendHtmlText(out, kSaturationWarning);
        out += "</span>";
    }
    out += "</div>";
}

void AppendVerdict(std::string& out, const ReportAdditions& additions, int top)
{
    const int height = static_cast<int>(additions.verdict.size()) * kTextLine + 4;
    const int margin = kPageWidth / 10;
    OpenBlock(out, "text verdict", margin, top, kPageWidth - margin, height);
    for (std::size_t i = 0; i < additions.verdict.size(); ++i) {
        if (i == 0)
            out += additions.verdictPasses ? "<span class=\"pass\">" : "<span class=\"fail\">";
        AppendHtmlText(out, additions.verdict[i]);
        out += i == 0 ? "</span>\n" : "\n";
    }
    out += "</div>";
}

} // namespace

std::string ReportHtml(const MeasurementDocument& doc, const ReportAdditions& additions)
{
    // The verdict block takes its lines from the bands' share, above the
    // footer, so that the page stays one sheet.
    const int verdictHeight =
        additions.verdict.empty() ? 0 : static_cast<int>(additions.verdict.size()) * kTextLine + 8;
    const PageLayout page =
        ComputePageLayout(kPageWidth, kPageHeight - verdictHeight, kFooterLine, kTextLine);

    std::string out = "<!DOCTYPE html>\n<html lang=\"it\">\n<head>\n<meta charset=\"utf-8\">\n"
                      "<title>";
    AppendProgramText(out, FieldOf(doc, kKlvTitle));
    out += " \xE2\x80\x93 ";
    AppendHtmlText(out, additions.path);
    out += "</title>\n";
    out += kStyle;
    out += "</head>\n<body>\n<div class=\"page\">\n";
    AppendHeader(out, doc, page, additions.path);
    out += "\n";
    for (int k = 0; k < kPrintBandCount; ++k) {
        AppendBand(out, doc, page.bands[k], k, additions.saturated[k]);
        out += "\n";
    }
    if (!additions.verdict.empty())
        AppendVerdict(out, additions, page.usableHeight + kFooterLine);
    const PageRect& f = page.footer;
    OpenBlock(out, "footer", f.left, f.top + verdictHeight, f.right - f.left, f.bottom - f.top);
    AppendProgramText(out, AppString(IDS_PRINT_FOOTER));
    out += "</div>\n</div>\n</body>\n</html>\n";
    return out;
}
