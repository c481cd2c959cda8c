// klv_fuzz_check.cpp - the readers' promises, checked on arbitrary input.
#include "klv_fuzz_check.h"

#include <cstring>

#include "graphrecord.h"
#include "klvdoc.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

std::string CheckGraphImage(const GraphWindowImage& w)
{
    if (w.block.nGraphs > kGraphFileMaxGraphs)
        return "a record with more than 1024 graphs was accepted";
    if (w.graphs.size() != w.block.nGraphs)
        return "graph count differs from the block's nGraphs";
    for (const GraphImage& g : w.graphs) {
        if (g.nSize < 0 || g.samples.size() != static_cast<std::size_t>(g.nSize))
            return "a graph's samples differ from its capacity";
    }
    return {};
}

// Every record of the stream, one after the other, as _LoadGraph calls on
// the same file would read them. The image and the bytes written again are
// reused from record to record: a stream of many records would otherwise
// spend its time allocating.
std::string CheckRecordStream(const std::uint8_t* data, std::size_t size)
{
    MemoryByteSource source(data, size);
    GraphWindowImage w;
    Bytes again;
    for (int record = 0; record < 64; ++record) {
        const std::size_t before = source.Position();
        const GraphReadResult result = ReadGraphRecord(source, w);
        if (source.Position() > size)
            return "the record reader went past the data";
        if (!result)
            return {};
        if (std::string broken = CheckGraphImage(w); !broken.empty())
            return broken;
        again.clear();
        AppendGraphRecord(w, again);
        const std::size_t end = source.Position();
        if (again.size() > end - before ||
            std::memcmp(again.data(), data + end - again.size(), again.size()) != 0)
            return "a record read and written again is not the bytes it was read from";
    }
    return {};
}

std::string CheckDocument(const std::uint8_t* data, std::size_t size)
{
    MeasurementDocument first;
    const KlvReadResult result = ReadKlvDocument(data, size, first);
    if (result.textBytes > kKlvTextBlockSize)
        return "the text block reader claims more than 1560 bytes";
    if (!result && result.status != KlvReadStatus::TruncatedTextBlock)
        return {};
    for (const GraphWindowImage& w : first.graphWindows) {
        if (std::string broken = CheckGraphImage(w); !broken.empty())
            return broken;
    }
    for (int item = 0; item < kKlvTextItems; ++item) {
        if (first.texts[item].size() > kKlvTextSlots[item].width)
            return std::string("text of ") + kKlvTextSlots[item].name + " longer than its slot";
        if (first.texts[item].find('\0') != std::string::npos)
            return std::string("text of ") + kKlvTextSlots[item].name + " runs past its terminator";
    }
    if (!first.texts[kKlvKalib].empty())
        return "the calibration slot was not discarded";

    // Written once, the document is well formed and stays the same.
    const Bytes written = EncodeKlvDocument(first);
    MeasurementDocument second;
    if (!ReadKlvDocument(written.data(), written.size(), second))
        return "a document read and written again does not read";
    if (EncodeKlvDocument(second) != written)
        return "a document written twice differs";
    for (int item = 0; item < kKlvTextItems; ++item) {
        if (second.texts[item] != first.texts[item].substr(0, kKlvTextSlots[item].width - 1))
            return std::string("text of ") + kKlvTextSlots[item].name +
                   " not kept up to its slot width - 1";
    }
    return {};
}

GraphWindowImage SeedWindow(const char* title, std::initializer_list<std::int32_t> sizes)
{
    GraphWindowImage w;
    SetFixedText(w.szTitle, sizeof w.szTitle, title);
    SetFixedText(w.block.szNotes, sizeof w.block.szNotes, "Notizen");
    SetFixedText(w.block.szAxisLabel, sizeof w.block.szAxisLabel, "Time [sec]");
    w.block.nStyle = 8;
    w.block.nXLines = 6;
    w.block.dTimeMin = w.block.dZoomTimeMin = -1.0;
    w.block.dTimeMax = w.block.dZoomTimeMax = 5.0;
    for (std::int32_t size : sizes) {
        GraphImage& g = w.graphs.emplace_back();
        g.nSize = size;
        g.nBuffEnd = static_cast<std::uint32_t>(size / 2);
        g.dTimeBase = 0.0016;
        g.dMaxValue = 300.0;
        g.nMaxBit = 4095;
        SetFixedText(g.szUnit, sizeof g.szUnit, "N");
        SetFixedText(g.szName, sizeof g.szName, "Forza di chiusura");
        for (std::int32_t i = 0; i < size; ++i)
            g.samples.push_back(static_cast<std::int16_t>(i * 37 % 4096));
    }
    w.block.nGraphs = static_cast<std::uint32_t>(w.graphs.size());
    return w;
}

Bytes SeedDocument(std::int32_t graphSize)
{
    MeasurementDocument doc;
    for (int k = 0; k < kKlvGraphWindows; ++k)
        doc.graphWindows[k] = SeedWindow("Forza di chiusura (misurazione 1)", {graphSize});
    for (int item = 0; item < kKlvTextItems; ++item)
        doc.texts[item] = item == kKlvKalib ? "" : kKlvTextSlots[item].name;
    return EncodeKlvDocument(doc);
}

} // namespace

std::string CheckGraphRecordStream(const std::uint8_t* data, std::size_t size)
{
    if (std::string broken = CheckRecordStream(data, size); !broken.empty())
        return "graph record: " + broken;
    return {};
}

std::string CheckKlvDocument(const std::uint8_t* data, std::size_t size)
{
    if (std::string broken = CheckDocument(data, size); !broken.empty())
        return "document: " + broken;
    return {};
}

std::string CheckKlvReaders(const std::uint8_t* data, std::size_t size)
{
    if (std::string broken = CheckGraphRecordStream(data, size); !broken.empty())
        return broken;
    return CheckKlvDocument(data, size);
}

std::vector<Bytes> KlvFuzzSeeds()
{
    std::vector<Bytes> seeds;
    Bytes record;
    AppendGraphRecord(SeedWindow("Leer", {}), record);
    seeds.push_back(record);
    record.clear();
    AppendGraphRecord(SeedWindow("zwei Grafiken", {8, 0, 3}), record);
    AppendGraphRecord(SeedWindow("noch eine", {5}), record);
    seeds.push_back(record);
    Bytes junk = {'x', 'T', 'T', 'G', '\r', 'T'};
    junk.insert(junk.end(), record.begin(), record.end());
    seeds.push_back(junk);
    seeds.push_back(SeedDocument(8));
    seeds.push_back(SeedDocument(3750)); // the shape of a new measurement
    return seeds;
}
