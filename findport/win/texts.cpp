#include "texts.h"

#include <windows.h>

#include "resource.h"

namespace findport {

std::wstring LoadText(unsigned id)
{
    const wchar_t* text = nullptr;
    // With a zero buffer size LoadStringW hands out the resource's own text,
    // which is not NUL-terminated; the result is its length.
    const int length =
        LoadStringW(GetModuleHandleW(nullptr), id, reinterpret_cast<LPWSTR>(&text), 0);
    return length > 0 ? std::wstring(text, static_cast<size_t>(length)) : std::wstring();
}

std::wstring FailureMessage()
{
    std::wstring message;
    for (unsigned piece = 0; piece < IDS_FAILURE_COUNT; ++piece) {
        message += LoadText(IDS_FAILURE_FIRST + piece);
    }
    return message;
}

} // namespace findport
