#include "control/reply_text.h"
#include "base/failure.h"

#include <QStringDecoder>

QString decodeLocal8Bit(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringConverter::System);
    return decoder.decode(bytes);
}

QString decodeReplyText(const QByteArray &body)
{
    if (body.startsWith("\xEF\xBB\xBF")) {
        QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Default);
        return decoder.decode(body.mid(3));
    }
    if (body.startsWith("\xFF\xFE"))
        return QStringDecoder(QStringConverter::Utf16LE).decode(body.mid(2));
    if (body.startsWith("\xFE\xFF"))
        return QStringDecoder(QStringConverter::Utf16BE).decode(body.mid(2));
    return decodeLocal8Bit(body);
}

QStringList textLines(QString text)
{
    const auto nul = text.indexOf(QChar(u'\0'));
    if (nul >= 0)
        text.truncate(nul);
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != u'\r' && c != u'\n')
            continue;
        lines.append(text.mid(start, i - start));
        if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.append(text.mid(start));
    return lines;
}

QString firstReplyLine(const QByteArray &body)
{
    const auto lines = textLines(decodeReplyText(body));
    if (lines.isEmpty())
        throw Failure::indexOutOfBounds(0);
    return lines.first();
}
