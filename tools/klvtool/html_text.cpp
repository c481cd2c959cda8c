// html_text.cpp - escaped texts and numbers for klvtool's HTML pages.
#include "html_text.h"

#include <cmath>
#include <cstdio>

#include "cp1252.h"

void AppendHtmlText(std::string& out, std::string_view utf8)
{
    for (char c : utf8) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
}

void AppendProgramText(std::string& out, std::string_view cp1252)
{
    std::string text;
    text.reserve(cp1252.size());
    for (std::size_t i = 0; i < cp1252.size(); ++i) {
        if (cp1252[i] != '\r')
            text += cp1252[i];
        else if (i + 1 >= cp1252.size() || cp1252[i + 1] != '\n')
            text += '\n';
    }
    AppendHtmlText(out, Cp1252ToUtf8(text));
}

std::string SvgNumber(double value)
{
    if (!std::isfinite(value))
        return "0";
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", value);
    return text;
}
