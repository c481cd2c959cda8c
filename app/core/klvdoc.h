// klvdoc.h - the measurement document and its .klv file, without windows.
//
// A .klv file is the magic "KLV2", the graph records of the four graph
// windows "Graph1" .. "Graph4" (graphrecord.h) and a 1560-byte block of text
// slots. The document window keeps the same items in its controls; this
// codec works on plain bytes so that the program, klvtool and the tests
// share one layout.
#ifndef KLVDOC_H
#define KLVDOC_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "graphrecord.h"

constexpr std::size_t kKlvMagicSize = 4;
extern const char kKlvMagic[kKlvMagicSize + 1]; // "KLV2"
constexpr int kKlvGraphWindows = 4;
constexpr std::size_t kKlvTextBlockSize = 1560;

// The text slots in file order.
enum KlvTextItem {
    kKlvDescr1,
    kKlvDescr2,
    kKlvDescr3,
    kKlvDescr4,
    kKlvPruefer,
    kKlvFahrzeug,
    kKlvTuer,
    kKlvPosition,
    kKlvMessTyp,
    kKlvSensorTyp,
    kKlvSerNo,
    kKlvKalib,
    kKlvTitle,
    kKlvEdit,
    kKlvTextItems
};

struct KlvTextSlot {
    const char* name;   // the item name the document window uses
    std::size_t offset; // in the text block
    std::size_t width;  // slot width: text of at most width - 1 characters
};

// The one table of the document's texts: the file codec, the document
// window's parts, printing, the measurement record's fields and klvtool all
// take a slot's name and width from here.
inline constexpr KlvTextSlot kKlvTextSlots[kKlvTextItems] = {
    {"Descr1", 0, 256},    {"Descr2", 256, 256},    {"Descr3", 512, 256}, {"Descr4", 768, 256},
    {"Pruefer", 1024, 40}, {"Fahrzeug", 1064, 40},  {"Tuer", 1104, 40},   {"Position", 1144, 40},
    {"MessTyp", 1184, 40}, {"SensorTyp", 1224, 20}, {"SerNo", 1244, 10},  {"Kalib", 1254, 10},
    {"Title", 1264, 40},   {"Edit", 1304, 256},
};

constexpr const char* KlvSlotName(KlvTextItem item)
{
    return kKlvTextSlots[item].name;
}
constexpr std::size_t KlvSlotWidth(KlvTextItem item)
{
    return kKlvTextSlots[item].width;
}
// "Descr1" .. "Descr4": the value text beside graph k (1..4).
constexpr KlvTextItem KlvValueTextItem(int k)
{
    return static_cast<KlvTextItem>(kKlvDescr1 + k - 1);
}

// The slots follow one another without gap and fill the block exactly.
constexpr bool KlvTextSlotsTileTheBlock()
{
    std::size_t next = 0;
    for (const KlvTextSlot& slot : kKlvTextSlots) {
        if (slot.offset != next || slot.width == 0)
            return false;
        next += slot.width;
    }
    return next == kKlvTextBlockSize;
}
static_assert(KlvTextSlotsTileTheBlock(), "the text slots must tile the 1560-byte block");

// What one document holds. The calibration text is always empty.
struct MeasurementDocument {
    std::array<GraphWindowImage, kKlvGraphWindows> graphWindows;
    std::array<std::string, kKlvTextItems> texts;
};

// The text block: every text cut to its slot width - 1, zero padded; the
// calibration slot is written empty.
void EncodeKlvTextBlock(const MeasurementDocument& doc, std::uint8_t out[kKlvTextBlockSize]);
// Takes the slots out of the available bytes (at most kKlvTextBlockSize): a
// text ends at its first NUL or at the end of its slot; a slot missing from a
// short block gives an empty text, a slot cut short the bytes present. The
// calibration slot is read and discarded.
void DecodeKlvTextBlock(const std::uint8_t* in, std::size_t available, MeasurementDocument& doc);

// The whole file.
std::vector<std::uint8_t> EncodeKlvDocument(const MeasurementDocument& doc);

enum class KlvReadStatus {
    Ok,
    BadMagic,           // fewer than 4 bytes, or not "KLV2"
    BadGraphRecord,     // graphWindow / graph say which and why
    TruncatedTextBlock, // textBytes of 1560 present
};

struct KlvReadResult {
    KlvReadStatus status = KlvReadStatus::Ok;
    int graphWindow = -1;          // 0..3 for BadGraphRecord
    GraphReadResult graph;         // the graph record's failure
    std::size_t textBytes = 0;     // text block bytes present
    std::size_t trailingBytes = 0; // bytes after the text block (ignored)
    explicit operator bool() const { return status == KlvReadStatus::Ok; }
};

// Reads a whole .klv file. Graph records may hold any number of graphs. On
// failure doc holds what was read before it (a short text block still gives
// the slots that are there).
KlvReadResult ReadKlvDocument(const std::uint8_t* data, std::size_t size, MeasurementDocument& doc);

// A sentence naming what is wrong, for messages.
std::string DescribeKlvReadResult(const KlvReadResult& result);

#endif
