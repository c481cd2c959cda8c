// The one table of the document's text slots: it must hold the stored file
// layout slot by slot, and every field of a measurement record must reach
// its slot at the slot's full width.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <iterator>
#include <string>

#include "klvdoc.h"
#include "klvdoc_build.h"
#include "messdescr.h"

namespace {

// The text block of a .klv file as other programs read it.
const KlvTextSlot kStoredLayout[] = {
    {"Descr1", 0, 256},    {"Descr2", 256, 256},    {"Descr3", 512, 256}, {"Descr4", 768, 256},
    {"Pruefer", 1024, 40}, {"Fahrzeug", 1064, 40},  {"Tuer", 1104, 40},   {"Position", 1144, 40},
    {"MessTyp", 1184, 40}, {"SensorTyp", 1224, 20}, {"SerNo", 1244, 10},  {"Kalib", 1254, 10},
    {"Title", 1264, 40},   {"Edit", 1304, 256},
};

// A record field by its slot: where it is and how wide.
struct FieldOfSlot {
    KlvTextItem slot;
    std::function<char*(MessDescr&)> field;
    std::size_t width;
};

template <std::size_t N> FieldOfSlot Field(KlvTextItem slot, char (MessDescr::*member)[N])
{
    return {slot, [member](MessDescr& record) { return record.*member; }, N};
}

} // namespace

TEST(DocumentTextSlots, TableHoldsEveryStoredSlotInFileOrder)
{
    ASSERT_EQ(std::size(kStoredLayout), static_cast<std::size_t>(kKlvTextItems));
    for (int item = 0; item < kKlvTextItems; ++item) {
        const KlvTextSlot& stored = kStoredLayout[item];
        const KlvTextSlot& slot = kKlvTextSlots[item];
        EXPECT_STREQ(slot.name, stored.name) << "slot " << item;
        EXPECT_EQ(slot.offset, stored.offset) << stored.name;
        EXPECT_EQ(slot.width, stored.width) << stored.name;
    }
}

TEST(DocumentTextSlots, EveryRecordFieldIsSavedInItsSlotAtFullWidth)
{
    const FieldOfSlot kFields[] = {
        Field(kKlvPruefer, &MessDescr::szExaminer), Field(kKlvFahrzeug, &MessDescr::szVehicle),
        Field(kKlvTuer, &MessDescr::szDoor),        Field(kKlvPosition, &MessDescr::szPosition),
        Field(kKlvMessTyp, &MessDescr::szMeasType), Field(kKlvSensorTyp, &MessDescr::szSensorType),
        Field(kKlvSerNo, &MessDescr::szSerialNo),   Field(kKlvTitle, &MessDescr::szTitle),
        Field(kKlvEdit, &MessDescr::szRemarks),
    };
    MessDescr* record = AllocMessDescr();
    ASSERT_NE(record, nullptr);
    for (std::size_t i = 0; i < std::size(kFields); ++i) {
        // The longest text the field holds: its width less the terminator.
        const std::size_t width = kFields[i].width;
        std::memset(kFields[i].field(*record), 'A' + static_cast<int>(i), width - 1);
        EXPECT_EQ(width, kStoredLayout[kFields[i].slot].width)
            << kStoredLayout[kFields[i].slot].name;
    }
    MeasurementDocument saved = BuildNewMeasurementDocument(*record);
    std::uint8_t block[kKlvTextBlockSize];
    EncodeKlvTextBlock(saved, block);
    MeasurementDocument read;
    DecodeKlvTextBlock(block, sizeof block, read);
    for (std::size_t i = 0; i < std::size(kFields); ++i) {
        const char* name = kStoredLayout[kFields[i].slot].name;
        const std::string expected(kFields[i].width - 1, static_cast<char>('A' + i));
        EXPECT_EQ(read.texts[kFields[i].slot], expected) << name;
    }
    FreeMessDescr(record);
}
