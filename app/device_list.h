#pragma once

#include <QListWidget>

#include <utility>

// The device list `dlist`. Every change of the selected row that the user
// makes, by any mouse button, a drag or a key, is reported, so the pages
// always follow the device that the commands go to. The program's own
// changes go through selectRow and removeRows and report nothing.
class DeviceList : public QListWidget
{
    Q_OBJECT

public:
    explicit DeviceList(QWidget *parent = nullptr)
        : QListWidget(parent)
    {
        connect(this, &QListWidget::currentRowChanged, this, [this](int row) {
            if (!m_quiet && row >= 0)
                emit rowChosen();
        });
    }

    // Selects a row; -1 selects none.
    void selectRow(int row)
    {
        const bool quiet = std::exchange(m_quiet, true);
        setCurrentRow(row);
        m_quiet = quiet;
    }
    void removeRows()
    {
        const bool quiet = std::exchange(m_quiet, true);
        clear();
        m_quiet = quiet;
    }
    // Takes one row out; the selection stays on the row it was on.
    void removeRow(int row)
    {
        const bool quiet = std::exchange(m_quiet, true);
        delete takeItem(row);
        m_quiet = quiet;
    }

signals:
    void rowChosen();

private:
    bool m_quiet = false;
};
