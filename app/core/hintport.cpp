// hintport.cpp - the "%i" reading of the hint file, without the C runtime's
// stream functions so the program and the tests read it alike.
#include "hintport.h"

#include <cctype>
#include <cstdint>

const char kHintFileName[] = "COM_Port_Hint.txt";

namespace {

int DigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return 99;
}

} // namespace

bool ParseHintPort(const char* text, std::size_t size, int* port)
{
    std::size_t i = 0;
    while (i < size && std::isspace(static_cast<unsigned char>(text[i])))
        ++i;
    bool negative = false;
    if (i < size && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    int base = 10;
    if (i < size && text[i] == '0') {
        base = 8;
        // "0x" counts as a hexadecimal prefix only when a hex digit follows;
        // otherwise the number is the single "0".
        if (i + 2 < size && (text[i + 1] == 'x' || text[i + 1] == 'X') &&
            DigitValue(text[i + 2]) < 16) {
            base = 16;
            i += 2;
        }
    }
    std::int64_t value = 0;
    std::size_t digits = 0;
    for (; i < size && DigitValue(text[i]) < base; ++i, ++digits) {
        value = value * base + DigitValue(text[i]);
        if (value > 0x80000000LL)
            return false;
    }
    if (digits == 0)
        return false;
    if (negative)
        value = -value;
    if (value > INT32_MAX || value < INT32_MIN)
        return false;
    *port = static_cast<int>(value);
    return true;
}
