#include "webview/page_input.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>

PageInput::PageInput(QWidget *view)
    : QObject(view)
    , m_view(view)
{
    // The engine's own widget under the view changes with its page: the
    // events are seen on their way, whichever widget of the view they go to.
    qApp->installEventFilter(this);
}

bool PageInput::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove && type != QEvent::KeyPress)
        return false;
    auto *widget = qobject_cast<QWidget *>(watched);
    if (!widget || (widget != m_view && !m_view->isAncestorOf(widget)))
        return false;
    if (type == QEvent::MouseMove) {
        if (static_cast<QMouseEvent *>(event)->buttons() != Qt::NoButton)
            m_selection.start();
        return false;
    }
    m_input.start();
    if (type == QEvent::MouseButtonPress) {
        m_selection.start();
        return false;
    }
    const auto *key = static_cast<QKeyEvent *>(event);
    const Qt::KeyboardModifiers modifiers = key->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier);
    const bool copy = (modifiers == Qt::ControlModifier
                          && (key->key() == Qt::Key_C || key->key() == Qt::Key_X || key->key() == Qt::Key_Insert))
        || (modifiers == Qt::ShiftModifier && key->key() == Qt::Key_Delete) || key->matches(QKeySequence::Copy)
        || key->matches(QKeySequence::Cut);
    if (copy)
        m_copy.start();
    if (modifiers & Qt::ShiftModifier || key->matches(QKeySequence::SelectAll))
        m_selection.start();
    return false;
}
