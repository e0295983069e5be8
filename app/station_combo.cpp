#include "app/station_combo.h"

#include <QAbstractItemView>
#include <QKeyEvent>
#include <QSignalBlocker>

StationCombo::StationCombo(QWidget *parent)
    : QComboBox(parent)
{
    connect(this, &QComboBox::currentIndexChanged, this, [this] { emit changed(); });
}

void StationCombo::setRow(int row)
{
    if (row >= count())
        return;
    setCurrentIndex(row < 0 ? -1 : row);
}

void StationCombo::clearRows()
{
    const QSignalBlocker blocker(this);
    clear();
}

void StationCombo::setRows(const QStringList &texts)
{
    const QSignalBlocker blocker(this);
    clear();
    addItems(texts);
    setCurrentIndex(-1);
}

void StationCombo::showPopup()
{
    if (count() == 0)
        return;
    m_open = true;
    m_escaped = false;
    m_rowAtOpen = currentIndex();
    QComboBox::showPopup();
    // Installed after the list's own filter so that Escape is seen before the
    // list acts on it.
    view()->removeEventFilter(this);
    view()->installEventFilter(this);
    // The highlighted row of the open list is the box's row.
    disconnect(m_highlight);
    m_highlight = connect(
        view()->selectionModel(), &QItemSelectionModel::currentChanged, this, [this](const QModelIndex &current) {
            if (m_open && current.isValid() && current.row() != currentIndex())
                setCurrentIndex(current.row());
        });
    if (auto *container = view()->parentWidget())
        container->installEventFilter(this);
}

void StationCombo::hidePopup()
{
    QComboBox::hidePopup();
    listClosed();
}

bool StationCombo::eventFilter(QObject *watched, QEvent *event)
{
    // The list closes on Escape already at the shortcut check, before the key press.
    if ((event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress)
        && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape)
        m_escaped = true;
    // A click outside closes the list without going through hidePopup().
    if (event->type() == QEvent::Hide && watched == view()->parentWidget())
        listClosed();
    return QComboBox::eventFilter(watched, event);
}

// Ctrl+Tab and Ctrl+Shift+Tab change the page, as from every other control;
// the box would take the tab character for its keyboard search.
void StationCombo::keyPressEvent(QKeyEvent *event)
{
    if ((event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab)
        && event->modifiers().testFlag(Qt::ControlModifier)) {
        event->ignore();
        return;
    }
    QComboBox::keyPressEvent(event);
}

void StationCombo::listClosed()
{
    if (!m_open)
        return;
    m_open = false;
    // Escape cancels: the row the list opened on, and no close event, so
    // nothing is sent.
    if (std::exchange(m_escaped, false)) {
        setRow(m_rowAtOpen);
        return;
    }
    emit popupClosed();
}
