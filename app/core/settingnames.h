// settingnames.h - the one table of the program's registry names under
// HKEY_CURRENT_USER, used by start-up, the options, the description and
// measurement dialogs, the document window and the new-measurement command:
//
//   SOFTWARE\VARNOK\Klemva                      directory (automatic saves)
//   SOFTWARE\VARNOK\Klemva\2.0                  directory (program folder), the list keys
//   SOFTWARE\VARNOK\Klemva\2.0\Einstellungen    Port, AutoSave, Logo, BMP, LastDate, Number
//
// The list keys and their values "0" to "19" are in choicelists.h; each list
// also remembers its last choice as "Last".
#ifndef SETTINGNAMES_H
#define SETTINGNAMES_H

// The key paths are joined from their parts by the compiler, so each part
// is written once.
#define KLV_PRODUCT_KEY "SOFTWARE\\VARNOK\\Klemva"
#define KLV_VERSION_KEY KLV_PRODUCT_KEY "\\2.0"
#define KLV_SETTINGS_SUBKEY "Einstellungen"

inline constexpr char kProductKey[] = KLV_PRODUCT_KEY;
inline constexpr char kVersionKey[] = KLV_VERSION_KEY;
inline constexpr char kSettingsKey[] = KLV_SETTINGS_SUBKEY;
inline constexpr char kSettingsKeyPath[] = KLV_VERSION_KEY "\\" KLV_SETTINGS_SUBKEY;

// Values of the product and the 2.0 key: the folder of automatic saves
// (product key) and of the program (2.0 key).
inline constexpr char kDirectoryValue[] = "directory";

// Values of Einstellungen.
inline constexpr char kPortValue[] = "Port";         // REG_DWORD, 0 = COM1
inline constexpr char kAutoSaveValue[] = "AutoSave"; // REG_DWORD flag
inline constexpr char kLogoValue[] = "Logo";         // REG_DWORD flag
inline constexpr char kBitmapValue[] = "BMP";        // REG_SZ, the logo file
inline constexpr char kLastDateValue[] = "LastDate"; // REG_SZ, the last automatic save's day
inline constexpr char kNumberValue[] = "Number";     // REG_DWORD, the day's next save number

// Value of each list key: the text chosen last.
inline constexpr char kListLastValue[] = "Last";

#endif
