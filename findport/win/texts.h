// The program's texts come from its string table.
#ifndef FINDKLV_TEXTS_H
#define FINDKLV_TEXTS_H

#include <string>

namespace findport {

// String `id` of the string table; empty when it is missing.
std::wstring LoadText(unsigned id);

// The message shown when no port holds the device.
std::wstring FailureMessage();

} // namespace findport

#endif
