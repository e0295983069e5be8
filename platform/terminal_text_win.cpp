#include "platform/terminal_text.h"

#include <windows.h>

namespace platform {

std::string terminalText(std::u16string_view text)
{
    if (text.empty())
        return {};
    const UINT page = GetConsoleOutputCP() ? GetConsoleOutputCP() : GetACP();
    const auto *wide = reinterpret_cast<const wchar_t *>(text.data());
    const bool utf8 = page == CP_UTF8;
    const int size = WideCharToMultiByte(page, 0, wide, int(text.size()), nullptr, 0, utf8 ? nullptr : "?", nullptr);
    std::string out(std::size_t(size > 0 ? size : 0), '\0');
    if (size > 0)
        WideCharToMultiByte(page, 0, wide, int(text.size()), out.data(), size, utf8 ? nullptr : "?", nullptr);
    if (!utf8) {
        for (char &b : out) {
            if (static_cast<unsigned char>(b) >= 0x80 && static_cast<unsigned char>(b) < 0xA0)
                b = '?';
        }
    }
    return out;
}

} // namespace platform
