#include "app/banner.h"

#include <QAccessible>
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
    setAccessibleName(title);
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
    setAnnounced(text);
}

void Banner::showTitle()
{
    m_timer.setEnabled(false);
    setColor(TitleColor);
    setAnnounced(m_title);
}

// Screen readers read a notice when it comes: the banner is a status bar
// whose name is its text, and a change of it is announced.
void Banner::setAnnounced(const QString &text)
{
    if (text == this->text())
        return;
    setText(text);
    setAccessibleName(text);
    QAccessibleEvent event(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&event);
}

void Banner::setColor(QRgb color)
{
    m_color = color;
    setStyleSheet(QStringLiteral("color: %1;").arg(QColor::fromRgba(color).name()));
}
