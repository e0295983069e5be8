#include "control/state_files.h"
#include "base/device_text.h"
#include "base/failure.h"
#include "control/reply_text.h"

#include <cstdint>
#include <limits>
#include <optional>

QStringList fileLines(const QByteArray &body, qsizetype maxLines)
{
    return textLines(decodeDeviceText(body), maxLines);
}

namespace {

std::optional<int> parseInteger(const QString &text)
{
    qsizetype i = 0;
    while (i < text.size() && text.at(i) == u' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text.at(i) == u'+' || text.at(i) == u'-')) {
        negative = text.at(i) == u'-';
        ++i;
    }
    int base = 10;
    if (i < text.size() && (text.at(i) == u'$' || text.at(i) == u'x' || text.at(i) == u'X')) {
        base = 16;
        ++i;
    } else if (i + 1 < text.size() && text.at(i) == u'0' && (text.at(i + 1) == u'x' || text.at(i + 1) == u'X')) {
        base = 16;
        i += 2;
    }
    if (i >= text.size())
        return std::nullopt;
    const std::int64_t limit = negative ? std::int64_t { 1 } << 31 : (std::int64_t { 1 } << 31) - 1;
    std::int64_t value = 0;
    for (; i < text.size(); ++i) {
        const int digit = QChar(text.at(i)).isDigit() && text.at(i).unicode() < 0x80 ? text.at(i).unicode() - '0'
            : (base == 16 && text.at(i).toLower() >= u'a' && text.at(i).toLower() <= u'f')
            ? text.at(i).toLower().unicode() - 'a' + 10
            : -1;
        if (digit < 0)
            return std::nullopt;
        value = value * base + digit;
        if (value > limit)
            return std::nullopt;
    }
    return static_cast<int>(negative ? -value : value);
}

} // namespace

int oneInteger(const QByteArray &body)
{
    const QString text = decodeDeviceText(body);
    const auto value = parseInteger(text);
    if (!value)
        throw Failure(Failure::tr("'%1' is not a valid integer value").arg(quoted(text)));
    return *value;
}
