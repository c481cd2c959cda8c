// klvrefuse.h - the block the test driver shares with klvrefuse.dll: which
// window title to refuse, and how often it was refused.
#ifndef KLVREFUSE_H
#define KLVREFUSE_H

#include <windows.h>

constexpr const char* kRefuseBlockName = "KlvRefuseWindow";

struct RefuseBlock {
    char title[256];
    volatile LONG refused;
};

#endif
