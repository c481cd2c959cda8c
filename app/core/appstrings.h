// appstrings.h - the measurement program's texts, keyed by their string ids.
//
// The ids are those of the program's string table; the texts are the exact
// Windows-1252 bytes ("è" is 0xE8, "ì" is 0xEC) on every build, so the
// portable cores, klvtool and the Windows program show the same texts. Add
// further texts to the table in appstrings.cpp under their ids.
#ifndef APPSTRINGS_H
#define APPSTRINGS_H

#include <cstddef>

enum AppStringId {
    IDS_ASK_END_MEASUREMENT = 20048,   // "Vuole interrompere da vero ..."
    IDS_FORCE_GRAPH_NAME = 30006,      // "Forza di chiusura"
    IDS_MEAS_TITLE = 30007,            // "Misurazione del %02d.%02d.%04d"
    IDS_SENSOR_LINE = 30008,
    IDS_TEST_MODE_TITLE = 30009,       // "Modo del test"
    IDS_TEST_MODE_END = 30010,         // "&Fine"
    IDS_TEST_MODE_STATUS = 30011,
    IDS_ASK_REPEAT = 30012,
    IDS_WAIT_START = 30013,            // %d: measurement number
    IDS_WAIT_CONFIRMATION = 30014,
    IDS_START_MEASUREMENT = 30015,     // %d
    IDS_WAIT_THRESHOLD = 30016,        // %d
    IDS_MEASURING = 30017,             // %d
    IDS_RESULT_EFF_MARKED = 30036,     // asterisk at the effective force
    IDS_RESULT_CLAMP_MARKED = 30037,   // asterisk at the clamping force
    IDS_PORT_NOT_OPENED = 30048,       // %s: port name
    IDS_SENSOR_NOT_FOUND = 30049,
};

struct AppStringEntry {
    int id;
    const char* text;   // Windows-1252 bytes
};

// Every text with its id, in ascending id order.
extern const AppStringEntry kAppStrings[];
extern const std::size_t kAppStringCount;

// The text of an id; null for an id that has no text.
const char* AppString(int id);

// Formats the text of an id with printf arguments into buf (always
// NUL-terminated when size > 0; cut at size - 1 bytes). Returns buf; an
// unknown id gives an empty text.
char* FormatAppString(char* buf, std::size_t size, int id, ...);

#endif
