#pragma once

#include <QTabBar>
#include <QTabWidget>

// The tab control: headers 49 high that share the full width.
class EvenTabBar : public QTabBar
{
public:
    using QTabBar::QTabBar;

protected:
    QSize tabSizeHint(int index) const override
    {
        const int width = parentWidget() ? parentWidget()->width() : 600;
        const int share = count() ? width / count() : width;
        // The last header takes the pixels that the division left over.
        return { index == count() - 1 ? width - share * (count() - 1) : share, 49 };
    }
};

class PageTabs : public QTabWidget
{
public:
    explicit PageTabs(QWidget *parent = nullptr)
        : QTabWidget(parent)
    {
        setTabBar(new EvenTabBar(this));
        tabBar()->setExpanding(false);
        tabBar()->setUsesScrollButtons(false);
        tabBar()->setElideMode(Qt::ElideNone);
    }
};
