// choicelists.cpp - cutting and joining the options dialog's list texts.
#include "choicelists.h"

#include <algorithm>

const char* const kChoiceListKeys[kChoiceListCount] = {
    "Pr\xFC"
    "fer",
    "Fahrzeug",
    "T\xFC"
    "re",
    "Messpunkt",
    "Methode",
};

ChoiceListWrites CutChoiceListText(std::string_view text)
{
    ChoiceListWrites writes;
    if (text.size() <= kChoiceTextIgnoredChars)
        return writes;
    std::size_t pos = 0;
    for (int i = 0; i < kChoiceListEntries && pos < text.size(); ++i) {
        std::size_t end = text.find('\r', pos);
        if (end == std::string_view::npos)
            end = text.size();
        writes[i] = std::string(text.substr(pos, std::min(end - pos, kChoiceEntryMaxChars)));
        pos = end + 1;
        if (pos < text.size() && text[pos] == '\n')
            ++pos;
    }
    return writes;
}

std::string JoinChoiceListEntries(const std::vector<std::string>& entries)
{
    std::string text;
    for (const std::string& entry : entries) {
        text += entry;
        text += "\r\n";
    }
    return text;
}
