#pragma once

#include <QListWidget>

// The device list `dlist`. Besides the click, moving the selection with the
// keyboard is reported, so the pages can follow the device that the commands go to.
class DeviceList : public QListWidget
{
    Q_OBJECT

public:
    using QListWidget::QListWidget;

signals:
    void rowChosenByKeyboard();

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        const int before = currentRow();
        QListWidget::keyPressEvent(event);
        if (currentRow() != before && currentRow() >= 0)
            emit rowChosenByKeyboard();
    }
};
