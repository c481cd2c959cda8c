// hintport.h - the port index in "COM_Port_Hint.txt", the file the port
// finder leaves in the program's working directory.
#ifndef HINTPORT_H
#define HINTPORT_H

#include <cstddef>

extern const char kHintFileName[]; // "COM_Port_Hint.txt"

// Reads the file's first token as the formatted-input conversion "%i" does:
// leading white space, an optional sign, then decimal, "0x" hexadecimal or
// leading-zero octal digits; whatever follows the number is ignored.
// Returns false (port untouched) when the text does not begin with an
// integer or the number does not fit into 32 bits.
bool ParseHintPort(const char* text, std::size_t size, int* port);

#endif
