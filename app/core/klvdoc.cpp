// klvdoc.cpp - the .klv document file (see klvdoc.h).
#include "klvdoc.h"

#include <algorithm>
#include <cstring>

const char kKlvMagic[kKlvMagicSize + 1] = "KLV2";

void EncodeKlvTextBlock(const MeasurementDocument& doc, std::uint8_t out[kKlvTextBlockSize])
{
    std::memset(out, 0, kKlvTextBlockSize);
    for (int item = 0; item < kKlvTextItems; ++item) {
        if (item == kKlvKalib)
            continue; // calibration is never kept
        const KlvTextSlot& slot = kKlvTextSlots[item];
        SetFixedText(reinterpret_cast<char*>(out + slot.offset), slot.width, doc.texts[item]);
    }
}

void DecodeKlvTextBlock(const std::uint8_t* in, std::size_t available, MeasurementDocument& doc)
{
    available = std::min(available, kKlvTextBlockSize);
    for (int item = 0; item < kKlvTextItems; ++item) {
        const KlvTextSlot& slot = kKlvTextSlots[item];
        std::size_t present =
            available > slot.offset ? std::min(slot.width, available - slot.offset) : 0;
        doc.texts[item] = item == kKlvKalib
                              ? std::string()
                              : FixedText(reinterpret_cast<const char*>(in + slot.offset), present);
    }
}

std::vector<std::uint8_t> EncodeKlvDocument(const MeasurementDocument& doc)
{
    // The whole length first: a document of four full graphs is 53 KB and
    // would otherwise be moved at every record.
    std::size_t length = kKlvMagicSize + kKlvTextBlockSize;
    for (const GraphWindowImage& window : doc.graphWindows)
        length += GraphRecordLength(window);
    std::vector<std::uint8_t> out;
    out.reserve(length);
    out.assign(kKlvMagic, kKlvMagic + kKlvMagicSize);
    for (const GraphWindowImage& window : doc.graphWindows)
        AppendGraphRecord(window, out);
    std::size_t at = out.size();
    out.resize(at + kKlvTextBlockSize);
    EncodeKlvTextBlock(doc, out.data() + at);
    return out;
}

KlvReadResult ReadKlvDocument(const std::uint8_t* data, std::size_t size, MeasurementDocument& doc)
{
    KlvReadResult result;
    doc = MeasurementDocument();
    if (size < kKlvMagicSize || std::memcmp(data, kKlvMagic, kKlvMagicSize) != 0) {
        result.status = KlvReadStatus::BadMagic;
        return result;
    }
    MemoryByteSource source(data + kKlvMagicSize, size - kKlvMagicSize);
    for (int w = 0; w < kKlvGraphWindows; ++w) {
        GraphReadResult graph = ReadGraphRecord(source, doc.graphWindows[w]);
        if (!graph) {
            result.status = KlvReadStatus::BadGraphRecord;
            result.graphWindow = w;
            result.graph = graph;
            return result;
        }
    }
    const std::uint8_t* text = data + kKlvMagicSize + source.Position();
    result.textBytes = std::min(source.Remaining(), kKlvTextBlockSize);
    result.trailingBytes = source.Remaining() - result.textBytes;
    DecodeKlvTextBlock(text, result.textBytes, doc);
    if (result.textBytes < kKlvTextBlockSize)
        result.status = KlvReadStatus::TruncatedTextBlock;
    return result;
}

std::string DescribeKlvReadResult(const KlvReadResult& result)
{
    switch (result.status) {
    case KlvReadStatus::Ok:
        return "document read";
    case KlvReadStatus::BadMagic:
        return "not a Klemva document: the file does not begin with \"KLV2\"";
    case KlvReadStatus::BadGraphRecord:
        return "graph record of Graph" + std::to_string(result.graphWindow + 1) + ": " +
               DescribeGraphReadResult(result.graph);
    case KlvReadStatus::TruncatedTextBlock:
        return "text block cut short: " + std::to_string(result.textBytes) + " of " +
               std::to_string(kKlvTextBlockSize) + " bytes present";
    }
    return "unknown document failure";
}
