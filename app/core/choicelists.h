// choicelists.h - the five lists of choices offered by the description
// dialog, as the options dialog edits them: one entry per line of an edit
// text, stored as registry values "0" to "19" under one subkey per list.
//
// Storing never deletes: an empty line, or a line past the end of the text,
// leaves whatever entry was stored under its number before. Inspectors rely
// on that to keep entry numbers stable while editing in the middle of a list.
#ifndef CHOICELISTS_H
#define CHOICELISTS_H

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

constexpr int kChoiceListCount = 5;
constexpr int kChoiceListEntries = 20;
constexpr std::size_t kChoiceEntryMaxChars = 79;   // longer lines are cut
constexpr std::size_t kChoiceEntryReadBytes = 100; // buffer an entry is read into
constexpr std::size_t kChoiceTextIgnoredChars = 2; // a text this short stores nothing

// The lists, in the order of their subkeys.
enum ChoiceList { kChoiceExaminer, kChoiceVehicle, kChoiceDoor, kChoicePosition, kChoiceMeasType };

// The registry subkey (Windows-1252 bytes) of list 0 to 4: examiner,
// vehicle, door, position, measurement type; the options and the
// description dialog both name the lists from here.
extern const char* const kChoiceListKeys[kChoiceListCount];

// What storing an edit text writes: entry i is written when writes[i] is not
// empty; an empty string means "write nothing, delete nothing".
using ChoiceListWrites = std::array<std::string, kChoiceListEntries>;

// Cuts an edit text into the entries to write. A line ends at a carriage
// return (a line feed right after it is skipped) or at the end of the text;
// each line is cut to kChoiceEntryMaxChars; lines past the twentieth are
// ignored; a text of kChoiceTextIgnoredChars characters or fewer writes
// nothing at all.
ChoiceListWrites CutChoiceListText(std::string_view text);

// The edit text showing stored entries: each entry followed by "\r\n", the
// last one included. Nothing is cut, however long the list has grown.
std::string JoinChoiceListEntries(const std::vector<std::string>& entries);

#endif
