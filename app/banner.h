#pragma once

#include "app/rule_timer.h"

#include <QLabel>

// The header's banner `infolab`: the program's title in blue, or a notice in
// red. A timed notice gives way to the title when the banner timer `mtimer`
// fires; a sticky one has no count of its own. Its colour is its own, not the
// style's.
class Banner : public QLabel
{
    Q_OBJECT

public:
    explicit Banner(const QString &title, QWidget *parent = nullptr);

    void showNotice(const QString &text, int ms);
    void showStickyNotice(const QString &text);
    // What the banner timer's handler does: the title again.
    void showTitle();

    QRgb color() const { return m_color; }
    RuleTimer &timer() { return m_timer; }

private:
    void setColor(QRgb color);
    void setAnnounced(const QString &text);

    QString m_title;
    QRgb m_color = 0;
    RuleTimer m_timer;
};
