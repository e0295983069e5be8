// SSDP reply text: the LOCATION rule and the port derived from URLBase.
#include "discovery/description.h"
#include "discovery/ssdp.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString text = decodeDatagram(bytes);
    const QString location = locationFromReply(text);
    portFromUrlBase(location, QStringLiteral("192.168.1.20"));
    return 0;
}
