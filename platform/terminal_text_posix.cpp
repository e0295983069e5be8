#include "platform/terminal_text.h"

#include <iconv.h>
#include <langinfo.h>

#include <cstring>

namespace platform {
namespace {

void appendUtf8(std::string &out, char32_t c)
{
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

// One character at a time, so one that the set lacks costs that character only.
template <typename Each> void forEachCharacter(std::u16string_view text, Each each)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000)
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        else if (c >= 0xD800 && c < 0xE000)
            c = 0xFFFD; // a lone surrogate
        each(c);
    }
}

} // namespace

std::string terminalText(std::u16string_view text)
{
    std::string out;
    const char *codeset = nl_langinfo(CODESET);
    const bool utf8 = codeset && std::strcmp(codeset, "UTF-8") == 0;
    const iconv_t converter = utf8 ? iconv_t(-1) : iconv_open(codeset, "UTF-8");
    forEachCharacter(text, [&](char32_t c) {
        std::string character;
        appendUtf8(character, c);
        if (utf8 || c < 0x80) {
            out += character;
            return;
        }
        char converted[16];
        char *in = character.data();
        char *at = converted;
        std::size_t inLeft = character.size();
        std::size_t outLeft = sizeof converted;
        if (converter == iconv_t(-1)) {
            out += '?';
            return;
        }
        if (iconv(converter, &in, &inLeft, &at, &outLeft) == std::size_t(-1) || inLeft != 0) {
            out += '?';
            iconv(converter, nullptr, nullptr, nullptr, nullptr); // back to the initial state
            return;
        }
        for (const char *b = converted; b != at; ++b)
            out += (static_cast<unsigned char>(*b) >= 0x80 && static_cast<unsigned char>(*b) < 0xA0) ? '?' : *b;
    });
    if (converter != iconv_t(-1))
        iconv_close(converter);
    return out;
}

} // namespace platform
