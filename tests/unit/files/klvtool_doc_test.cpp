// klvtool's views of a document: the info JSON, the exported curves and the
// command-line texts it writes into a document.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>

#include "doc_report.h"
#include "klvdoc.h"

namespace {

MeasurementDocument Document()
{
    MeasurementDocument doc;
    for (int k = 0; k < kKlvGraphWindows; ++k) {
        GraphWindowImage& w = doc.graphWindows[k];
        SetFixedText(w.szTitle, sizeof w.szTitle, "Forza di chiusura (misurazione 1)");
        w.block.dTimeMin = -1.0;
        w.block.nStyle = 8;
        GraphImage& g = w.graphs.emplace_back();
        g.nSize = 5;
        g.nBuffEnd = 3;
        g.dTimeBase = 0.0016;
        g.dMaxValue = 300.0;
        g.nMaxBit = 4095;
        SetFixedText(g.szName, sizeof g.szName, "Forza di chiusura");
        SetFixedText(g.szUnit, sizeof g.szUnit, "N");
        g.samples = {0, 4095, 2048, 99, 99};
        w.block.nGraphs = 1;
    }
    for (int item = 0; item < kKlvTextItems; ++item)
        doc.texts[item] = kKlvTextSlots[item].name;
    return doc;
}

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

} // namespace

TEST(KlvInfoJson, EveryItemButTheCalibrationUnderItsName)
{
    MeasurementDocument doc = Document();
    doc.texts[kKlvPruefer] = "Pr\xFC"
                             "fer \"M\xFCller\"\r\nzwei"; // Windows-1252
    const std::string json = KlvInfoJson(doc);
    for (const char* key : {"Descr1", "Descr2", "Descr3", "Descr4", "Fahrzeug", "Tuer", "Position",
                            "MessTyp", "SensorTyp", "SerNo", "Title", "Edit"})
        EXPECT_TRUE(Contains(json, std::string("\"") + key + "\": \"" + key + "\"")) << key;
    EXPECT_TRUE(Contains(json, "\"Pruefer\": \"Prüfer \\\"Müller\\\"\\r\\nzwei\""));
    EXPECT_FALSE(Contains(json, "Kalib"));
}

TEST(KlvInfoJson, FourWindowsWithBlockFieldsAndGraphs)
{
    MeasurementDocument doc = Document();
    doc.graphWindows[1].graphs.push_back(doc.graphWindows[1].graphs[0]);
    SetFixedText(doc.graphWindows[3].block.szNotes, 1000, "Notiz");
    doc.graphWindows[2].block.dZoomTimeMax = std::numeric_limits<double>::quiet_NaN();
    const std::string json = KlvInfoJson(doc);
    std::size_t windows = 0, graphs = 0;
    for (std::size_t at = 0; (at = json.find("\"title\": ", at)) != std::string::npos; ++at)
        ++windows;
    for (std::size_t at = 0; (at = json.find("\"szName\": ", at)) != std::string::npos; ++at)
        ++graphs;
    EXPECT_EQ(windows, 4u);
    EXPECT_EQ(graphs, 5u);
    for (const char* key :
         {"nStyle",       "nXLines",      "nYLines",     "dTimeMin",    "dTimeMax",
          "dZoomTimeMin", "dZoomTimeMax", "nZoomMinBit", "nZoomMaxBit", "dMinValue",
          "dMaxValue",    "nMinBit",      "nMaxBit",     "szAxisLabel", "szNotes",
          "nTimeFormat",  "szUnit",       "nSize",       "nBuffEnd",    "dTimeBase"})
        EXPECT_TRUE(Contains(json, std::string("\"") + key + "\": ")) << key;
    EXPECT_TRUE(Contains(json, "\"szNotes\": \"Notiz\""));
    EXPECT_TRUE(Contains(json, "\"dZoomTimeMax\": null")); // JSON has no NaN
    EXPECT_TRUE(Contains(json, "\"dTimeMin\": -1,"));
    EXPECT_TRUE(Contains(json, "\"nBuffEnd\": 3,"));
}

TEST(KlvCurveExport, ValidPartInNewtonsWithTimeFromMinusOneSecond)
{
    std::vector<std::string> notes;
    const std::vector<KlvCurveColumn> columns = KlvCurveColumns(Document(), &notes);
    ASSERT_EQ(columns.size(), 4u);
    EXPECT_EQ(columns[0].heading, "Graph1.1 Forza di chiusura [N]");
    ASSERT_EQ(columns[0].values.size(), 3u); // nBuffEnd, not nSize
    EXPECT_DOUBLE_EQ(columns[0].values[1], 300.0);
    EXPECT_DOUBLE_EQ(columns[0].values[2], 2048.0 / 4095.0 * 300.0);
    const std::string csv = KlvCurvesCsv(columns, &notes);
    EXPECT_EQ(csv.substr(0, csv.find('\n')),
              "\"time [s]\",\"Graph1.1 Forza di chiusura [N]\",\"Graph2.1 Forza di chiusura [N]\","
              "\"Graph3.1 Forza di chiusura [N]\",\"Graph4.1 Forza di chiusura [N]\"");
    EXPECT_TRUE(Contains(csv, "\n-1.0000,0.000,0.000,0.000,0.000\n-0.9984,300.000,"));
    EXPECT_TRUE(Contains(csv, "\n-0.9968,150.037,"));
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 4);
    EXPECT_TRUE(notes.empty());
}

TEST(KlvCurveExport, ScalingOffsetAndShorterCurvesLeaveCellsEmpty)
{
    MeasurementDocument doc = Document();
    GraphImage& g = doc.graphWindows[1].graphs[0];
    g.dMinValue = -10.0;
    g.dMaxValue = 10.0;
    g.nBuffEnd = 1;
    doc.graphWindows[2].graphs[0].nBuffEnd = 0;  // empty: no column
    doc.graphWindows[3].graphs[0].nBuffEnd = 99; // beyond its samples: bounded
    std::vector<std::string> notes;
    const std::vector<KlvCurveColumn> columns = KlvCurveColumns(doc, &notes);
    ASSERT_EQ(columns.size(), 3u);
    EXPECT_DOUBLE_EQ(columns[1].values[0], -10.0);
    EXPECT_EQ(columns[2].values.size(), 5u);
    const std::string csv = KlvCurvesCsv(columns, &notes);
    EXPECT_TRUE(Contains(csv, "\n-0.9984,300.000,,300.000\n"));
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 6);
}

TEST(KlvCurveExport, UnconvertibleAndOffAxisCurvesAreNoted)
{
    MeasurementDocument doc = Document();
    doc.graphWindows[0].graphs[0].nMaxBit = 0;
    doc.graphWindows[2].block.dTimeMin = 0.0;
    std::vector<std::string> notes;
    const std::vector<KlvCurveColumn> columns = KlvCurveColumns(doc, &notes);
    ASSERT_EQ(columns.size(), 3u);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_TRUE(Contains(notes[0], "Graph1.1"));
    KlvCurvesCsv(columns, &notes);
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_TRUE(Contains(notes[1], "Graph3.1"));
}

TEST(KlvCurveExport, NoValidSamplesGivesTheTimeHeadingOnly)
{
    MeasurementDocument doc = Document();
    for (GraphWindowImage& w : doc.graphWindows)
        w.graphs.clear();
    std::vector<std::string> notes;
    const std::vector<KlvCurveColumn> columns = KlvCurveColumns(doc, &notes);
    EXPECT_TRUE(columns.empty());
    EXPECT_EQ(KlvCurvesCsv(columns, &notes), "\"time [s]\"\n");
}

TEST(CommandLineTexts, Utf8BecomesWindows1252)
{
    EXPECT_EQ(Utf8ToCp1252("Prüfer Müller"), "Pr\xFC"
                                             "fer M\xFCller");
    EXPECT_EQ(Utf8ToCp1252("Energìa 5 €"), "Energ\xEC"
                                           "a 5 \x80");
    EXPECT_EQ(Utf8ToCp1252("ΩK"), "?K"); // no Windows-1252 character
    EXPECT_EQ(Utf8ToCp1252("a\xFF"
                           "b\xC3"),
              "a?b?"); // broken UTF-8
    EXPECT_EQ(Utf8ToCp1252(""), "");
}
