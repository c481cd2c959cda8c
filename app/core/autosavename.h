// autosavename.h - the names under which new measurements are saved
// automatically: the folder, then the UTC date as YYMMDD and the running
// number of the day, "%02d%02d%02d%02d.klv" (26120600.klv; the number takes
// three digits from 100 on: 261206100.klv).
#ifndef AUTOSAVENAME_H
#define AUTOSAVENAME_H

#include <cstddef>

constexpr std::size_t kAutoSaveDateSize = 9; // 8 characters and NUL

// The date as the setting "LastDate" holds it: "%02d%02d%04d" from day,
// month and year ("06122026").
void AutoSaveDateText(char out[kAutoSaveDateSize], int year, int month, int day);

// The number of today's save: storedNumber when the last automatic save was
// today (lastDate equals today's text), otherwise 0. lastDate may be null
// (no earlier automatic save) and is compared over 8 characters.
int AutoSaveNumber(const char* lastDate, const char* todayText, int storedNumber);

// directory + "\" + the file name, into out (cut to size - 1 characters).
// Returns out.
char* AutoSaveName(char* out, std::size_t size, const char* directory, int year, int month, int day,
                   int number);

#endif
