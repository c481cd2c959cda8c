// The program's string table (app/res/strings.rc) holds exactly the texts of
// the portable text table, byte for byte in Windows-1252.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "appstrings.h"

namespace {

// UTF-8 to Windows-1252 for the characters the texts use (U+00A0..U+00FF).
std::string Cp1252FromUtf8(const std::string& s)
{
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        unsigned char c = s[i];
        if (c >= 0xC2 && c <= 0xC3 && i + 1 < s.size()) {
            out += static_cast<char>(((c & 0x1F) << 6) | (s[++i] & 0x3F));
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

// The text of one resource-script literal: "" is a quote, \t \r \n \\ escapes.
std::string RcLiteral(const std::string& line, std::size_t open)
{
    std::string text;
    for (std::size_t i = open + 1; i < line.size(); ++i) {
        if (line[i] == '"') {
            if (i + 1 < line.size() && line[i + 1] == '"') {
                text += '"';
                ++i;
                continue;
            }
            break;
        }
        if (line[i] == '\\' && i + 1 < line.size()) {
            const char e = line[++i];
            text += e == 't' ? '\t' : e == 'r' ? '\r' : e == 'n' ? '\n' : e;
            continue;
        }
        text += line[i];
    }
    return Cp1252FromUtf8(text);
}

std::map<int, std::string> ReadStringTable(const char* path)
{
    std::ifstream in(path);
    std::map<int, std::string> table;
    std::string line;
    bool inside = false;
    while (std::getline(in, line)) {
        if (line == "BEGIN")
            inside = true;
        else if (line == "END")
            inside = false;
        else if (inside && line.find('"') != std::string::npos)
            table[std::stoi(line)] = RcLiteral(line, line.find('"'));
    }
    return table;
}

TEST(StringTable, ResourceScriptHoldsEveryTextOfTheTable)
{
    const std::map<int, std::string> rc = ReadStringTable(KLV_STRINGS_RC);
    ASSERT_FALSE(rc.empty()) << "no STRINGTABLE entries in " << KLV_STRINGS_RC;
    for (std::size_t i = 0; i < kAppStringCount; ++i) {
        const auto it = rc.find(kAppStrings[i].id);
        ASSERT_NE(it, rc.end()) << "string " << kAppStrings[i].id
                                << " missing: run app/res/make_strings_rc.py";
        EXPECT_EQ(it->second, kAppStrings[i].text) << "string " << kAppStrings[i].id;
    }
    EXPECT_EQ(rc.size(), kAppStringCount) << "strings.rc holds texts the table does not";
}

TEST(StringTable, TextsKeepTheProductsSpellingAndBytes)
{
    EXPECT_STREQ(AppString(IDS_APP_NAME), "Klemva");
    EXPECT_STREQ(AppString(IDS_STATUS_TEXT), "Sistema di misuratione forza di chiusura");
    EXPECT_STREQ(AppString(IDS_ASK_SAVE_CHANGES), "Modifiche attuale memorizzare in %s ?");
    EXPECT_STREQ(AppString(IDS_MEASURING), "Misurazione %d \xE8 in corso...");
}

} // namespace
