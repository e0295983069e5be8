#include "control/reply_text.h"
#include "base/failure.h"
#include "platform/codepage.h"

#include <QStringDecoder>

namespace {

QString decodeAll(QStringConverter::Encoding encoding, const QByteArray &bytes)
{
    // Stateless: an incomplete sequence at the end becomes U+FFFD instead of
    // waiting for bytes that never come.
    QStringDecoder decoder(encoding, QStringConverter::Flag::Stateless);
    return decoder.decode(bytes);
}

} // namespace

QString decodeDeviceText(const QByteArray &bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return decodeAll(QStringConverter::Utf8, bytes.mid(3));
    if (bytes.startsWith("\xFF\xFE"))
        return decodeAll(QStringConverter::Utf16LE, bytes.mid(2));
    if (bytes.startsWith("\xFE\xFF"))
        return decodeAll(QStringConverter::Utf16BE, bytes.mid(2));
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    const std::u16string ansi = platform::ansiToUtf16(std::string_view(bytes.constData(), std::size_t(bytes.size())));
    return QString::fromStdU16String(ansi);
}

QStringList textLines(QString text, qsizetype maxLines)
{
    const auto nul = text.indexOf(QChar(u'\0'));
    if (nul >= 0)
        text.truncate(nul);
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size() && lines.size() != maxLines; ++i) {
        const QChar c = text.at(i);
        if (c != u'\r' && c != u'\n')
            continue;
        lines.append(text.mid(start, i - start));
        if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size() && lines.size() != maxLines)
        lines.append(text.mid(start));
    return lines;
}

QString firstReplyLine(const QByteArray &body)
{
    const auto lines = textLines(decodeDeviceText(body), 1);
    if (lines.isEmpty())
        throw Failure::indexOutOfBounds(0);
    return lines.first();
}
