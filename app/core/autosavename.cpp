// autosavename.cpp - automatic-save numbering.
#include "autosavename.h"

#include <cstdio>
#include <cstring>

void AutoSaveDateText(char out[kAutoSaveDateSize], int year, int month, int day)
{
    char text[32];
    std::snprintf(text, sizeof text, "%02d%02d%04d", day % 100, month % 100, year % 10000);
    std::memcpy(out, text, kAutoSaveDateSize - 1);
    out[kAutoSaveDateSize - 1] = '\0';
}

int AutoSaveNumber(const char* lastDate, const char* todayText, int storedNumber)
{
    if (!lastDate || std::strncmp(lastDate, todayText, kAutoSaveDateSize - 1) != 0)
        return 0;
    return storedNumber;
}

char* AutoSaveName(char* out, std::size_t size, const char* directory, int year, int month, int day,
                   int number)
{
    std::snprintf(out, size, "%s\\%02d%02d%02d%02d.klv", directory, year % 100, month, day, number);
    return out;
}
