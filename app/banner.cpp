#include "app/banner.h"

#include <QColor>

namespace {

constexpr QRgb TitleColor = 0xFF0000FF;
constexpr QRgb NoticeColor = 0xFFFF0000;

} // namespace

Banner::Banner(const QString &title, QWidget *parent)
    : QLabel(title, parent)
    , m_title(title)
{
    setObjectName(QStringLiteral("infolab"));
    setTextFormat(Qt::PlainText);
    setAlignment(Qt::AlignCenter);
    setColor(TitleColor);
}

void Banner::showNotice(const QString &text, int ms)
{
    showStickyNotice(text);
    m_timer.setInterval(ms);
    m_timer.setEnabled(true);
}

void Banner::showStickyNotice(const QString &text)
{
    setColor(NoticeColor);
    setText(text);
}

void Banner::showTitle()
{
    m_timer.setEnabled(false);
    setColor(TitleColor);
    setText(m_title);
}

void Banner::setColor(QRgb color)
{
    m_color = color;
    setStyleSheet(QStringLiteral("color: %1;").arg(QColor::fromRgba(color).name()));
}
