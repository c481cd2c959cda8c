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
    IDS_APP_NAME = 1,    // "Klemva": frame class, title, message box caption
    IDS_STATUS_TEXT = 2, // the status bar text
    IDS_KLV_FILTER = 3,  // "KLV file|*.klv|": last character is the separator
    IDS_BMP_FILTER = 4,  // "Windows bitmap|*.bmp|"
    IDS_TIP_NEW = 1001,  // tooltips: the id is the button's command
    IDS_TIP_OPEN = 1002,
    IDS_TIP_SAVE = 1003,
    IDS_TIP_PRINT = 1006,
    IDS_ASK_END_MEASUREMENT = 20048, // "Vuole interrompere da vero ..."
    IDS_FORCE_GRAPH_NAME = 30006,    // "Forza di chiusura"
    IDS_MEAS_TITLE = 30007,          // "Misurazione del %02d.%02d.%04d"
    IDS_SENSOR_LINE = 30008,
    IDS_TEST_MODE_TITLE = 30009, // "Modo del test"
    IDS_TEST_MODE_END = 30010,   // "&Fine"
    IDS_TEST_MODE_STATUS = 30011,
    IDS_ASK_REPEAT = 30012,
    IDS_WAIT_START = 30013, // %d: measurement number
    IDS_WAIT_CONFIRMATION = 30014,
    IDS_START_MEASUREMENT = 30015, // %d
    IDS_WAIT_THRESHOLD = 30016,    // %d
    IDS_MEASURING = 30017,         // %d
    IDS_UNTITLED = 30018,          // "Innominato%d"
    IDS_PRINT_NOT_STARTED = 30019, // %d: the system's error number
    IDS_PRINT_FOOTER = 30020,      // the maker's banner line of the printed page
    IDS_PRINT_DESCRIPTION = 30021, // examiner ... remarks, path
    IDS_LABEL_EXAMINER = 30022,    // description page labels
    IDS_LABEL_VEHICLE = 30023,
    IDS_LABEL_DOOR = 30024,
    IDS_LABEL_POSITION = 30025,
    IDS_LABEL_MEAS_TYPE = 30026,
    IDS_LABEL_SENSOR_TYPE = 30027,
    IDS_LABEL_SERIAL_NO = 30028,
    IDS_LABEL_CALIBRATION = 30029,
    IDS_LABEL_REMARKS = 30030,       // "Annotazioni"
    IDS_GRAPH_TITLE = 30031,         // "Forza di chiusura (misurazione %d)"
    IDS_MEAN_GRAPH_TITLE = 30034,    // "Valore medio del corso di forza"
    IDS_MEAN_GRAPH_NAME = 30035,     // "Valore medio della forza"
    IDS_RESULT_EFF_MARKED = 30036,   // asterisk at the effective force
    IDS_RESULT_CLAMP_MARKED = 30037, // asterisk at the clamping force
    IDS_TAB_DESCRIPTION = 30040,     // "Descrizione"
    IDS_TAB_MEASUREMENT = 30041,     // "Misurazione %d"
    IDS_TAB_MEAN = 30044,            // "Valori medi"
    IDS_NOT_A_KLV_FILE = 30045,      // "Niente Klemva file"
    IDS_ASK_SAVE_CHANGES = 30046,    // %s: the document's title
    IDS_CANNOT_WRITE = 30047,        // %s: path
    IDS_PORT_NOT_OPENED = 30048,     // %s: port name
    IDS_SENSOR_NOT_FOUND = 30049,
    IDS_CANNOT_OPEN = 30050, // %s: path, %s: the system's text for the error
    // Limit files: the message names the file and the line (%s, %d, problem).
    IDS_LIMITS_UNREADABLE = 30260, // %s: path, %s: the system's reason
    IDS_LIMITS_LINE_ERROR = 30261, // %s: path, %d: line, %s: one of the problems below
    IDS_LIMITS_BAD_LINE = 30262,
    IDS_LIMITS_EMPTY_SET_NAME = 30263,
    IDS_LIMITS_KEY_OUTSIDE_SET = 30264,  // %s: key
    IDS_LIMITS_UNKNOWN_KEY = 30265,      // %s: key
    IDS_LIMITS_UNKNOWN_FIGURE = 30266,   // %s: figure
    IDS_LIMITS_BAD_NUMBER = 30267,       // %s: value
    IDS_LIMITS_DUPLICATE_SET = 30268,    // %s: set, %d: line of the first
    IDS_LIMITS_DUPLICATE_KEY = 30269,    // %s: key, %d: line of the first
    IDS_LIMITS_SET_WITHOUT_RULE = 30270, // %s: set
    // The verdict: of a series or page, and of one rule.
    IDS_VERDICT_PASS = 30271,           // "CONFORME"
    IDS_VERDICT_FAIL = 30272,           // "NON CONFORME"
    IDS_VERDICT_NOT_ASSESSABLE = 30273, // "NON VALUTABILE"
    IDS_RULE_PASS = 30274,              // "conforme"
    IDS_RULE_FAIL = 30275,              // "non conforme"
    IDS_RULE_NOT_ASSESSABLE = 30276,    // "non valutabile"
    IDS_SENSOR_SATURATED = 30277,       // "sensore saturato"
    IDS_VERDICT_SET = 30278,            // %s: the set's name
    IDS_VERDICT_SOURCE = 30279,         // %s: the set's Fonte
    IDS_VERDICT_RULE = 30280,           // %s: rule key, %s: values, %s: limit, %s: result
    IDS_VERDICT_OVERALL = 30281,        // %s: "CONFORME", ...
    IDS_VERDICT_CLOSING = 30282,        // %d: closing, %s: its verdict or "sensore saturato"
    // The limits dialog and the choice of a set.
    IDS_LIMITS_NONE = 30283,        // "(nessuno)": no set, no verdict
    IDS_LIMITS_FILE = 30284,        // %s: the limit file's path
    IDS_LIMITS_NO_FILE = 30285,     // %s, %s: where the file is looked for
    IDS_LIMITS_SET_MISSING = 30286, // %s: the chosen set, %s: the file
    IDS_LIMITS_NO_VERDICT = 30287,  // %s: a message above, ending in "no verdict"
    IDS_LIMITS_RULE = 30288,        // %s: rule key, %s: limit with unit
};

struct AppStringEntry {
    int id;
    const char* text; // Windows-1252 bytes
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
