// HTTP replies from a device, read as the client reads them off the socket.
#include "base/failure.h"
#include "control/reply_reader.h"
#include "control/reply_text.h"
#include "control/state_files.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    ReplyLimits limits;
    limits.maxBody = 1 << 16;
    limits.maxHead = 1 << 12;
    try {
        const HttpReply reply = ReplyReader::parse(bytes, data[0] & 1, limits);
        textLines(decodeDeviceText(reply.body));
        fileLines(reply.body);
        oneInteger(reply.body);
    } catch (const Failure &) {
    }
    return 0;
}
