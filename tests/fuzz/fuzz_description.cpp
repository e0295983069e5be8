// Device descriptions as they come from a responder.
#include "base/failure.h"
#include "discovery/description.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    try {
        readDescription(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    } catch (const Failure &) {
    }
    return 0;
}
