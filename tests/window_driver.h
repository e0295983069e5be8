#pragma once

// Drives the real window against the simulator: the device configurations the
// tests use, and helpers to read and work the window's controls.

#include "app/error_box.h"
#include "app/main_f.h"
#include "app/station_combo.h"
#include "sim_fixture.h"

#include <QAbstractItemView>
#include <QElapsedTimer>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include <memory>

inline QJsonArray devices(std::initializer_list<QJsonObject> list)
{
    QJsonArray array;
    for (const auto &d : list)
        array.append(d);
    return array;
}

inline QJsonObject state(int vol, int dvol, int orvexIndex = 0, int dlnaIndex = 0)
{
    return { { "state",
        QJsonObject {
            { "vol", vol }, { "dvol", dvol }, { "orvex_index", orvexIndex }, { "dlna_index", dlnaIndex } } } };
}

inline QJsonObject stations(const QStringList &descs, const QStringList &urls, const QJsonObject &s = state(20, 100))
{
    QJsonObject st = s.value("state").toObject();
    st.insert("descs", QJsonArray::fromStringList(descs));
    st.insert("urls", QJsonArray::fromStringList(urls));
    return { { "state", st } };
}

inline QJsonObject faults(const QJsonObject &f, QJsonObject more = {})
{
    more.insert("faults", f);
    return more;
}

class WindowDriver
{
protected:
    QStringList m_errors;
    std::unique_ptr<Tmain> m_window;

    // Error boxes are answered by the test and collected.
    void collectErrors()
    {
        errorbox::setTestHook([this](const QString &text) { m_errors << text; });
    }

    template <typename T> T *get(const char *name) { return m_window->findChild<T *>(QLatin1String(name)); }
    QTabWidget *tabs() { return get<QTabWidget>("TabControl1"); }
    QString banner() { return get<QLabel>("infolab")->text(); }
    QString status() { return get<QLabel>("stat")->text(); }
    QString currentPage() { return tabs()->currentWidget()->objectName(); }

    void startWindow()
    {
        m_window = std::make_unique<Tmain>(Tmain::Options { false });
        m_window->show();
    }
    bool waitReady(int ms = 9000)
    {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < ms) {
            if (tabs()->isEnabled() && !m_window->searchTimer().isEnabled())
                return true;
            QTest::qWait(20);
        }
        return false;
    }
    QStringList rows(const char *name)
    {
        QStringList texts;
        if (auto *list = get<QListWidget>(name)) {
            for (int i = 0; i < list->count(); ++i)
                texts << list->item(i)->text();
        } else if (auto *box = get<StationCombo>(name)) {
            for (int i = 0; i < box->count(); ++i)
                texts << box->itemText(i);
        }
        return texts;
    }
    void chooseStation(StationCombo *box, int row)
    {
        box->showPopup();
        QTRY_VERIFY(box->view()->isVisible());
        box->view()->setCurrentIndex(box->model()->index(row, 0));
        QTest::keyClick(box->view(), Qt::Key_Return);
        QTRY_VERIFY(!box->view()->isVisible());
        QCoreApplication::processEvents(); // the choice is acted on once the list has closed
        settle();
    }
    // The device work runs beside the window: waits until the actions that the
    // last input started have ended and the window shows what they brought.
    void settle(int ms = 20000)
    {
        QElapsedTimer clock;
        clock.start();
        while (m_window->busy() && clock.elapsed() < ms)
            QTest::qWait(5);
    }
    void click(const char *button)
    {
        get<QPushButton>(button)->click();
        settle();
    }
    void clickRow(int row, Qt::MouseButton button = Qt::LeftButton)
    {
        auto *dlist = get<QListWidget>("dlist");
        QTest::mouseClick(dlist->viewport(), button, {}, dlist->visualItemRect(dlist->item(row)).center());
    }
};
