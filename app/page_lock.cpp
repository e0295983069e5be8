#include "app/page_lock.h"

#include <QTabWidget>
#include <QWidget>

PageLock::PageLock(QWidget *window, QTabWidget *pages, QWidget *busyRow, std::function<void()> firstFocus)
    : QObject(window)
    , m_window(window)
    , m_pages(pages)
    , m_busyRow(busyRow)
    , m_firstFocus(std::move(firstFocus))
{
    m_busyShown.setSingleShot(true);
    m_busyShown.setInterval(300);
    connect(&m_busyShown, &QTimer::timeout, this, &PageLock::showBusy);
}

void PageLock::setPagesEnabled(bool enabled)
{
    m_pagesEnabled = enabled;
    apply();
    emit pagesEnabledChanged();
}

void PageLock::setBusy(bool busy)
{
    m_busy = busy;
    apply();
    if (busy) {
        m_busyShown.start();
        return;
    }
    m_busyShown.stop();
    m_busyRow->hide();
    m_window->unsetCursor();
}

void PageLock::showBusy()
{
    m_busyRow->show();
    m_window->setCursor(Qt::WaitCursor);
}

void PageLock::apply()
{
    const bool enabled = m_pagesEnabled && !m_busy;
    QWidget *focus = m_window->focusWidget();
    const bool focusInPages = focus && m_pages->isAncestorOf(focus);
    if (!enabled && focusInPages)
        m_pagesFocus = focus;
    m_pages->setEnabled(enabled);
    if (!enabled || focusInPages || (focus && focus->isVisible() && focus->isEnabled()))
        return;
    if (m_pagesFocus && m_pagesFocus->isVisible() && m_pagesFocus->isEnabled())
        m_pagesFocus->setFocus();
    else
        m_firstFocus();
}
