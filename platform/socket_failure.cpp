#include "platform/socket_failure.h"
#include "platform/socket_error.h"

Failure socketFailure(int code)
{
    return Failure(Failure::tr("Socket Error # %1").arg(code) + QStringLiteral("\r\n")
        + QString::fromLocal8Bit(platform::socketErrorText(code)));
}
