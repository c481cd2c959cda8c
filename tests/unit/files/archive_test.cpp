// The archive of .klv documents: rows taken from documents, the index kept
// between runs, the walk's bad inputs, and the figures klvtool info adds.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "archive_index.h"
#include "archive_scan.h"
#include "doc_figures.h"
#include "evaluation.h"
#include "klvdoc_build.h"

namespace {

// A measured series: three closings of 1000 samples at `level` counts after
// the trigger, evaluated, as the program saves it.
MeasurementDocument Series(int level, const char* title = "Misurazione del 07.12.2026")
{
    MessDescr* descr = AllocMessDescr();
    std::snprintf(descr->szSensorType, sizeof descr->szSensorType, "KLV1-300");
    std::snprintf(descr->szTitle, sizeof descr->szTitle, "%s", title);
    std::snprintf(descr->szVehicle, sizeof descr->szVehicle, "Fiat Panda");
    std::snprintf(descr->szDoor, sizeof descr->szDoor, "anteriore sinistra");
    descr->nFullScale = 300;
    for (int k = 0; k < kMessMeasurements; ++k) {
        for (int i = 624; i <= 1624; ++i)
            descr->pCurve[k][i] = static_cast<std::int16_t>(level);
        EvaluateMeasurement(descr, descr->pCurve[k], k);
    }
    CompleteSeries(descr);
    MeasurementDocument doc = BuildNewMeasurementDocument(*descr);
    FreeMessDescr(descr);
    return doc;
}

std::vector<std::uint8_t> Bytes(const MeasurementDocument& doc)
{
    return EncodeKlvDocument(doc);
}

class ArchiveFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/klv-archive-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        root = pattern;
    }
    void TearDown() override { std::system(("rm -rf '" + root + "'").c_str()); }

    void Write(const std::string& path, const std::vector<std::uint8_t>& bytes)
    {
        const std::string full = root + "/" + path;
        ::mkdir(full.substr(0, full.rfind('/')).c_str(), 0777);
        std::ofstream(full, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }

    ArchiveScan Scan(const ArchiveScanOptions& options = {})
    {
        ArchiveScan scan;
        std::string error;
        EXPECT_TRUE(ScanArchive(root, options, &scan, &error)) << error;
        return scan;
    }

    std::string root;
};

std::string ProblemOf(const ArchiveScan& scan, const std::string& path)
{
    for (const ArchiveProblem& p : scan.problems)
        if (p.path == path)
            return ArchiveProblemName(p.kind);
    return "none";
}

} // namespace

TEST(ArchiveRows, MeasurementDateOnlyFromTheTitleOfANewMeasurement)
{
    const struct {
        const char* title;
        const char* date;
    } cases[] = {
        {"Misurazione del 07.12.2026", "2026-12-07"},
        {"Misurazione del 31.01.1999", "1999-01-31"},
        {"Misurazione del 32.01.2026", ""},
        {"Misurazione del 07.13.2026", ""},
        {"Misurazione del 7.12.2026", ""},
        {"Misurazione del 07-12-2026", ""},
        {"Prova del 07.12.2026", ""},
        {"", ""},
        {"Misurazione del 07.12.2026 bis", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MeasurementDateOf(c.title), c.date) << c.title;
}

TEST(ArchiveRows, RowHoldsTheDescriptionAndTheMeanFigures)
{
    const ArchiveRow row = ExtractArchiveRow(Series(2000), "a/b.klv");
    EXPECT_EQ(row.path, "a/b.klv");
    EXPECT_EQ(row.date, "2026-12-07");
    EXPECT_EQ(row.texts[1], "Fiat Panda");
    EXPECT_EQ(row.texts[2], "anteriore sinistra");
    EXPECT_EQ(row.texts[5], "KLV1-300");
    ASSERT_TRUE(row.hasFigures);
    // 2000 counts of 4095 on the 300 N sensor for 1000 samples after the trigger.
    EXPECT_NEAR(row.figures.slot[kMessMeanSlot].value[kFigurePeak], 2000 * 300.0 / 4095, 1e-9);
    EXPECT_NEAR(row.figures.slot[kMessMeanSlot].value[kFigurePulseDuration], 1.6, 1e-9);
    EXPECT_FALSE(row.figures.slot[kMessMeanSlot].saturated);
    EXPECT_TRUE(ExtractArchiveRow(Series(4095), "s.klv").figures.slot[kMessMeanSlot].saturated);

    MeasurementDocument shortCurves = Series(2000);
    shortCurves.graphWindows[1].graphs[0].samples.resize(100);
    EXPECT_FALSE(ExtractArchiveRow(shortCurves, "x.klv").hasFigures);
}

TEST(ArchiveRows, ValueTextsAgreeOnlyWhenTheProgramWroteThem)
{
    MeasurementDocument doc = Series(2000);
    SeriesFigures figures;
    ASSERT_TRUE(ComputeDocumentFigures(doc, figures));
    for (int slot = 0; slot < kMessSlots; ++slot)
        EXPECT_TRUE(ValueTextAgrees(doc, figures, slot)) << slot;
    doc.texts[kKlvDescr2][doc.texts[kKlvDescr2].find('.') + 1] = '9'; // edited by hand
    EXPECT_FALSE(ValueTextAgrees(doc, figures, 1));
    EXPECT_TRUE(ValueTextAgrees(doc, figures, 0));
}

TEST_F(ArchiveFolder, FilesThatAreNotDocumentsAreListedApartAndTheRestRead)
{
    const std::vector<std::uint8_t> good = Bytes(Series(2000));
    std::vector<std::uint8_t> many = good;
    many[4 + 4 + 80 + 148 + 1] = 0x04; // more than 1024 graphs in the first record
    const struct {
        const char* path;
        std::vector<std::uint8_t> bytes;
        const char* problem;
    } cases[] = {
        {"a.klv", good, "none"},
        {"sub/b.KLV", good, "none"},
        {"foreign.klv", {'P', 'K', 3, 4, 0, 0}, "foreign"},
        {"empty.klv", {}, "cut short"},
        {"cut-record.klv", {good.begin(), good.begin() + 30000}, "cut short"},
        {"cut-text.klv", {good.begin(), good.end() - 100}, "cut short"},
        {"many.klv", many, "damaged"},
        {"notes.txt", {'x'}, "none"},
    };
    for (const auto& c : cases)
        Write(c.path, c.bytes);
    const ArchiveScan scan = Scan();
    ASSERT_EQ(scan.rows.size(), 2u);
    EXPECT_EQ(scan.rows[0].path, "a.klv");
    EXPECT_EQ(scan.rows[1].path, "sub/b.KLV");
    EXPECT_EQ(scan.problems.size(), 5u);
    for (const auto& c : cases)
        EXPECT_EQ(ProblemOf(scan, c.path), c.problem) << c.path;
}

TEST_F(ArchiveFolder, MissingFolderIsRefusedWithItsName)
{
    ArchiveScan scan;
    std::string error;
    EXPECT_FALSE(ScanArchive(root + "/nowhere", {}, &scan, &error));
    EXPECT_NE(error.find("nowhere"), std::string::npos) << error;
    Write("file.klv", Bytes(Series(2000)));
    EXPECT_FALSE(ScanArchive(root + "/file.klv", {}, &scan, &error));
    EXPECT_NE(error.find("not a folder"), std::string::npos) << error;
}

TEST_F(ArchiveFolder, SymbolicLinkLoopsAreListedAndNotFollowed)
{
    Write("d/a.klv", Bytes(Series(2000)));
    ASSERT_EQ(::symlink("..", (root + "/d/up").c_str()), 0);
    ASSERT_EQ(::symlink("self.klv", (root + "/self.klv").c_str()), 0);
    ASSERT_EQ(::symlink("d", (root + "/z-again").c_str()), 0); // the same folder twice
    const ArchiveScan scan = Scan();
    ASSERT_EQ(scan.rows.size(), 1u);
    EXPECT_EQ(ProblemOf(scan, "d/up"), "link loop");
    EXPECT_EQ(ProblemOf(scan, "self.klv"), "link loop");
}

TEST_F(ArchiveFolder, FileVanishingDuringTheRunIsListedAndTheOthersStayRight)
{
    for (const char* name : {"1.klv", "2.klv", "3.klv"})
        Write(name, Bytes(Series(2000)));
    ArchiveScanOptions options;
    options.beforeRead = [&](const std::string& path) {
        if (path == root + "/2.klv")
            ::unlink(path.c_str());
    };
    const ArchiveScan scan = Scan(options);
    ASSERT_EQ(scan.rows.size(), 2u);
    EXPECT_EQ(scan.rows[1].path, "3.klv");
    EXPECT_EQ(ProblemOf(scan, "2.klv"), "vanished");
    EXPECT_EQ(scan.index.entries.count("2.klv"), 0u);
}

TEST_F(ArchiveFolder, IndexTakesOverUnchangedFilesAndReadsChangedOnes)
{
    Write("keep.klv", Bytes(Series(2000)));
    Write("change.klv", Bytes(Series(2000)));
    Write("gone.klv", Bytes(Series(2000)));
    Write("bad.klv", {'K', 'L', 'V', '2'});
    const ArchiveScan first = Scan();
    EXPECT_EQ(first.documentsRead, 4u);

    ArchiveIndex previous;
    std::string error;
    ASSERT_TRUE(DecodeArchiveIndex(EncodeArchiveIndex(first.index), &previous, &error)) << error;
    ::unlink((root + "/gone.klv").c_str());
    Write("change.klv", Bytes(Series(3000, "Misurazione del 01.02.2027"))); // the same size
    struct timespec times[2] = {{0, UTIME_OMIT}, {1, 0}};
    ::utimensat(AT_FDCWD, (root + "/change.klv").c_str(), times, 0); // a new modification time
    ArchiveScanOptions options;
    options.previous = &previous;
    const ArchiveScan second = Scan(options);
    EXPECT_EQ(second.documentsRead, 1u);
    EXPECT_EQ(second.fromIndex, 2u); // keep.klv and bad.klv
    ASSERT_EQ(second.rows.size(), 2u);
    EXPECT_EQ(second.rows[0].path, "change.klv");
    EXPECT_EQ(second.rows[0].date, "2027-02-01");
    EXPECT_EQ(ProblemOf(second, "bad.klv"), "cut short");
    EXPECT_EQ(second.index.entries.count("gone.klv"), 0u); // stale entry dropped
    // What came from the index equals what a fresh read gives.
    const ArchiveRow fresh = ExtractArchiveRow(Series(2000), "keep.klv");
    for (int f = 0; f < kFigureCount; ++f)
        EXPECT_EQ(second.rows[1].figures.slot[kMessMeanSlot].value[f],
                  fresh.figures.slot[kMessMeanSlot].value[f]);
}

TEST(ArchiveIndexFile, TextsWithSeparatorsRoundTripAndDamageIsNamed)
{
    ArchiveIndex index;
    index.folder = "/srv/misure";
    ArchiveIndexEntry& entry = index.entries["a\tb\\c.klv"];
    entry.stamp = {53372, 1733600000123456789};
    entry.row = ExtractArchiveRow(Series(2000), "a\tb\\c.klv");
    entry.row.texts[0] = "riga\r\nnuova\t\\";
    ArchiveIndex back;
    std::string error;
    const std::string text = EncodeArchiveIndex(index);
    ASSERT_TRUE(DecodeArchiveIndex(text, &back, &error)) << error;
    ASSERT_EQ(back.entries.count("a\tb\\c.klv"), 1u);
    const ArchiveIndexEntry& got = back.entries["a\tb\\c.klv"];
    EXPECT_EQ(back.folder, "/srv/misure");
    EXPECT_TRUE(got.stamp == entry.stamp);
    EXPECT_EQ(got.row.texts[0], entry.row.texts[0]);
    EXPECT_EQ(got.row.figures.slot[3].value[kFigureEnergy],
              entry.row.figures.slot[3].value[kFigureEnergy]);

    const struct {
        std::string text;
        const char* error;
    } damaged[] = {
        {"", "line 1"},
        {"klvtool archive index 0\t/x\n", "line 1"},
        {text.substr(0, text.size() - 1), "line 2: cut short"},
        {"klvtool archive index 1\t/x\nR\tp\t1\n", "line 2"},
        {"klvtool archive index 1\t/x\nP\tp\tx\t1\tforeign\twhy\n", "line 2"},
    };
    for (const auto& d : damaged) {
        EXPECT_FALSE(DecodeArchiveIndex(d.text, &back, &error)) << d.text;
        EXPECT_EQ(error.rfind(d.error, 0), 0u) << error;
        EXPECT_TRUE(back.entries.empty());
    }
}
