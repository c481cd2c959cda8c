// cp1252.h - the program's single-byte Windows-1252 texts as UTF-8, for the
// console and for JSON.
#ifndef KLVTOOL_CP1252_H
#define KLVTOOL_CP1252_H

#include <string>
#include <string_view>

// Every byte mapped to its character; the five bytes Windows-1252 leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) become U+FFFD.
std::string Cp1252ToUtf8(std::string_view text);

// A NUL-terminated text in a fixed-size field (it may fill the field).
std::string_view FieldText(const char* field, std::size_t size);

#endif
