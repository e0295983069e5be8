#include "app/station_combo.h"

#include <QAbstractItemView>
#include <QKeyEvent>
#include <QSignalBlocker>

StationCombo::StationCombo(QWidget *parent)
    : QComboBox(parent)
{
    connect(this, &QComboBox::currentIndexChanged, this, [this] { emit changed(); });
    view()->installEventFilter(this);
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
    // The highlighted row of the open list is the box's row.
    connect(view()->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex &current) {
                if (m_open && current.isValid() && current.row() != currentIndex())
                    setCurrentIndex(current.row());
            },
            Qt::UniqueConnection);
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
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape)
        m_escaped = true;
    // A click outside closes the list without going through hidePopup().
    if (event->type() == QEvent::Hide && watched == view()->parentWidget())
        listClosed();
    return QComboBox::eventFilter(watched, event);
}

void StationCombo::listClosed()
{
    if (!m_open)
        return;
    m_open = false;
    if (m_escaped)
        setRow(m_rowAtOpen);
    m_escaped = false;
    emit popupClosed();
}
