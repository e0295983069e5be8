#include "base/device_text.h"

QString quoted(const QString &text)
{
    if (text.size() <= MaxQuotedChars)
        return text;
    qsizetype cut = MaxQuotedChars;
    if (text.at(cut - 1).isHighSurrogate() && text.at(cut).isLowSurrogate())
        --cut;
    return text.left(cut) + QChar(0x2026);
}
