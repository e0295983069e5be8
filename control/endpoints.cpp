#include "control/endpoints.h"

namespace endpoints {

QString queryValue(const QString &s)
{
    static const char hex[] = "0123456789ABCDEF";
    QString value;
    value.reserve(s.size());
    for (const char c : s.toUtf8()) {
        const auto b = static_cast<unsigned char>(c);
        if (b > 0x20 && b < 0x7F && b != '#' && b != '&' && b != '+') {
            value += QLatin1Char(c);
        } else {
            value += u'%';
            value += QLatin1Char(hex[b >> 4]);
            value += QLatin1Char(hex[b & 0xF]);
        }
    }
    return value;
}

} // namespace endpoints
