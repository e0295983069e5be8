#include "platform/codepage.h"

#include <iconv.h>
#include <langinfo.h>

#include <cstring>

namespace platform {

std::u16string ansiToUtf16(std::string_view bytes)
{
    const char *codeset = nl_langinfo(CODESET);
    if (!codeset || std::strcmp(codeset, "UTF-8") == 0 || std::strcmp(codeset, "ANSI_X3.4-1968") == 0)
        return windows1252ToUtf16(bytes);
    // A real 8-bit locale (ISO 8859-7, KOI8-R, ...): its own table. A byte it
    // has no character for becomes U+FFFD.
    const iconv_t converter = iconv_open("UTF-16LE", codeset);
    if (converter == iconv_t(-1))
        return windows1252ToUtf16(bytes);
    std::u16string text;
    for (const char c : bytes) {
        char in = c;
        char16_t out[2] = {};
        char *inPtr = &in;
        char *outPtr = reinterpret_cast<char *>(out);
        std::size_t inLeft = 1, outLeft = sizeof out;
        if (iconv(converter, &inPtr, &inLeft, &outPtr, &outLeft) == std::size_t(-1) || outLeft == sizeof out)
            text.push_back(u'\uFFFD');
        else
            text.append(out, (sizeof out - outLeft) / sizeof(char16_t));
    }
    iconv_close(converter);
    return text;
}

} // namespace platform
