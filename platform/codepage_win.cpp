#include "platform/codepage.h"

#include <windows.h>

namespace platform {

std::u16string ansiToUtf16(std::string_view bytes)
{
    if (bytes.empty())
        return {};
    const int size = MultiByteToWideChar(CP_ACP, 0, bytes.data(), int(bytes.size()), nullptr, 0);
    std::u16string text(std::size_t(size > 0 ? size : 0), u'\0');
    if (size > 0)
        MultiByteToWideChar(CP_ACP, 0, bytes.data(), int(bytes.size()), reinterpret_cast<wchar_t *>(text.data()), size);
    return text;
}

} // namespace platform
