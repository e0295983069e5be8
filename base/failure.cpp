#include "base/failure.h"

QString withFullStop(const QString &message)
{
    if (!message.isEmpty() && message.back().unicode() > u'.')
        return message + u'.';
    return message;
}

QString failureMessage(const std::exception_ptr &error)
{
    try {
        std::rethrow_exception(error);
    } catch (const Failure &failure) {
        return failure.message();
    } catch (const std::exception &e) {
        return QString::fromLocal8Bit(e.what());
    } catch (...) {
        return Failure::tr("Unknown failure");
    }
}
