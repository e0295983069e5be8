#pragma once

#include <QComboBox>

// A station box with the window's combo box rules. `changed` runs on every
// change of the selected row, whoever makes it: hovering over the rows of the
// open list, the wheel and arrow keys on the closed box, the program.
// `popupClosed` runs every time the list closes, after the row has been set to
// the one last highlighted. Escape cancels: the box goes back to the row it had
// when the list opened, and `popupClosed` does not run. A box without rows opens no
// list, and clearing it emits nothing.
class StationCombo : public QComboBox
{
    Q_OBJECT

public:
    explicit StationCombo(QWidget *parent = nullptr);

    // Row past the last: nothing changes; a negative row: no row selected.
    void setRow(int row);
    int row() const { return currentIndex(); }
    // Empties the box, no row selected, no signal.
    void clearRows();
    // Puts the texts in, no row selected, no signal.
    void setRows(const QStringList &texts);

    void showPopup() override;
    void hidePopup() override;

signals:
    void changed();
    void popupClosed();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void listClosed();

    QMetaObject::Connection m_highlight;
    bool m_open = false;
    bool m_escaped = false;
    int m_rowAtOpen = -1;
};
