// The timer rules and the slider and combo box event rules, driven with QTest.
#include "app/rule_timer.h"
#include "app/station_combo.h"
#include "app/volume_slider.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QSignalSpy>
#include <QStyleOptionSlider>
#include <QTest>

#include <memory>

namespace {

QPoint handleCenter(VolumeSlider &slider)
{
    QStyleOptionSlider option;
    option.initFrom(&slider);
    option.orientation = Qt::Horizontal;
    option.minimum = slider.minimum();
    option.maximum = slider.maximum();
    option.sliderPosition = slider.sliderPosition();
    option.sliderValue = slider.value();
    return slider.style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, &slider).center();
}

// A slider on screen, as the drag and click tests need it.
std::unique_ptr<VolumeSlider> shownSlider()
{
    auto slider = std::make_unique<VolumeSlider>(20);
    slider->resize(300, 32);
    slider->show();
    if (!QTest::qWaitForWindowExposed(slider.get()))
        return nullptr;
    return slider;
}

} // namespace

class TestWidgets : public QObject
{
    Q_OBJECT

private slots:
    // Asserted through the remaining time, so a busy machine cannot skew it.
    void timerRules()
    {
        RuleTimer timer;
        QSignalSpy fired(&timer, &RuleTimer::timeout);
        QVERIFY(!timer.isEnabled());
        QCOMPARE(timer.interval(), 1000);
        QCOMPARE(timer.remainingTime(), -1);
        timer.setInterval(300);
        QCOMPARE(timer.remainingTime(), -1); // created disabled
        timer.setEnabled(true);
        QTest::qWait(100);
        const int running = timer.remainingTime();
        QVERIFY2(running < 300, qPrintable(QString::number(running)));
        timer.setEnabled(true); // already enabled: the count goes on
        timer.setInterval(300); // same interval: the count goes on
        QVERIFY(timer.remainingTime() <= running);
        QTRY_COMPARE_WITH_TIMEOUT(fired.size(), 1, 5000);
        QVERIFY(timer.isEnabled()); // fires every interval until disabled
        QTRY_COMPARE_WITH_TIMEOUT(fired.size(), 2, 5000);
        QTest::qWait(100);
        timer.setInterval(600); // a real change restarts the count
        QVERIFY(timer.remainingTime() > 500);
        timer.setEnabled(false);
        QCOMPARE(timer.remainingTime(), -1);
        timer.setEnabled(true); // a real change of the enabled state restarts it too
        QVERIFY(timer.remainingTime() > 500);
        timer.halt(); // termination: stopped for good
        QCOMPARE(timer.remainingTime(), -1);
        timer.setEnabled(false);
        timer.setEnabled(true);
        QCOMPARE(timer.remainingTime(), -1);
        const qsizetype count = fired.size();
        QTest::qWait(700);
        QCOMPARE(fired.size(), count);
    }

    void sliderDragReleasedOnSameValueSendsNothing()
    {
        const auto shown = shownSlider();
        QVERIFY(shown);
        VolumeSlider &slider = *shown;
        QSignalSpy changed(&slider, &VolumeSlider::changed);
        const QPoint start = handleCenter(slider);
        QTest::mousePress(&slider, Qt::LeftButton, {}, start);
        QTest::mouseMove(&slider, start + QPoint(80, 0));
        QTest::mouseMove(&slider, start);
        QTest::mouseRelease(&slider, Qt::LeftButton, {}, start);
        QCOMPARE(changed.size(), 0);
        QCOMPARE(slider.realValue(), 20.0);
    }

    void sliderDragSendsOnceAtRelease()
    {
        const auto shown = shownSlider();
        QVERIFY(shown);
        VolumeSlider &slider = *shown;
        QSignalSpy changed(&slider, &VolumeSlider::changed);
        const QPoint start = handleCenter(slider);
        QTest::mousePress(&slider, Qt::LeftButton, {}, start);
        QTest::mouseMove(&slider, start + QPoint(40, 0));
        QTest::mouseMove(&slider, start + QPoint(90, 0));
        QCOMPARE(changed.size(), 0); // never during the drag
        QTest::mouseRelease(&slider, Qt::LeftButton, {}, start + QPoint(90, 0));
        QCOMPARE(changed.size(), 1);
        QVERIFY(slider.realValue() > 40);
    }

    void sliderTrackClickSendsAtRelease()
    {
        const auto shown = shownSlider();
        QVERIFY(shown);
        VolumeSlider &slider = *shown;
        QSignalSpy changed(&slider, &VolumeSlider::changed);
        QTest::mousePress(&slider, Qt::LeftButton, {}, QPoint(250, 16));
        QCOMPARE(changed.size(), 0);
        QTest::mouseRelease(&slider, Qt::LeftButton, {}, QPoint(250, 16));
        QCOMPARE(changed.size(), 1);
        QVERIFY(slider.realValue() > 70);
    }

    void sliderKeys_data()
    {
        QTest::addColumn<double>("start");
        QTest::addColumn<int>("key");
        QTest::addColumn<double>("after");
        QTest::addColumn<int>("events");
        QTest::newRow("Left lowers") << 20.0 << int(Qt::Key_Left) << 19.0 << 1;
        QTest::newRow("Up lowers") << 20.0 << int(Qt::Key_Up) << 19.0 << 1;
        QTest::newRow("Right raises") << 20.0 << int(Qt::Key_Right) << 21.0 << 1;
        QTest::newRow("Down raises") << 20.0 << int(Qt::Key_Down) << 21.0 << 1;
        QTest::newRow("Home") << 20.0 << int(Qt::Key_Home) << 0.0 << 1;
        QTest::newRow("End") << 20.0 << int(Qt::Key_End) << 100.0 << 1;
        QTest::newRow("End at 100 changes nothing") << 100.0 << int(Qt::Key_End) << 100.0 << 0;
        QTest::newRow("Left at 0 changes nothing") << 0.0 << int(Qt::Key_Left) << 0.0 << 0;
        QTest::newRow("Left keeps the fraction") << 42.5 << int(Qt::Key_Left) << 41.5 << 1;
        QTest::newRow("other keys do nothing") << 20.0 << int(Qt::Key_PageUp) << 20.0 << 0;
    }
    void sliderKeys()
    {
        QFETCH(double, start);
        QFETCH(int, key);
        QFETCH(double, after);
        QFETCH(int, events);
        VolumeSlider slider(start);
        QSignalSpy changed(&slider, &VolumeSlider::changed);
        QTest::keyClick(&slider, Qt::Key(key));
        QCOMPARE(slider.realValue(), after);
        QCOMPARE(changed.size(), events);
    }

    void sliderProgramValues()
    {
        VolumeSlider slider(20); // no event while built
        QSignalSpy changed(&slider, &VolumeSlider::changed);
        slider.hide();
        slider.setRealValue(20);
        QCOMPARE(changed.size(), 0);
        slider.setRealValue(150); // held within the range; hidden sliders report too
        QCOMPARE(slider.realValue(), 100.0);
        QCOMPARE(changed.size(), 1);
        QVERIFY(slider.setRealValueQuietly(35));
        QVERIFY(!slider.setRealValueQuietly(35));
        QCOMPARE(changed.size(), 1);
    }

    void comboRows()
    {
        StationCombo box;
        QSignalSpy changed(&box, &StationCombo::changed);
        box.setRows({ "Please select station", "a", "b", "c" });
        QCOMPARE(box.row(), -1);
        QCOMPARE(changed.size(), 0);
        box.setRow(2);
        QCOMPARE(changed.size(), 1);
        box.setRow(9); // past the last: nothing changes
        QCOMPARE(box.row(), 2);
        QCOMPARE(changed.size(), 1);
        box.setRow(-3); // negative: no row
        QCOMPARE(box.row(), -1);
        QCOMPARE(changed.size(), 2);
        box.clearRows();
        QCOMPARE(box.count(), 0);
        QCOMPARE(changed.size(), 2);
    }

    void comboWithoutRowsOpensNoList()
    {
        StationCombo box;
        QSignalSpy closed(&box, &StationCombo::popupClosed);
        box.show();
        box.showPopup();
        QVERIFY(!box.view()->isVisible());
        QCOMPARE(closed.size(), 0);
    }

    void comboWheelAndArrowsOnClosedBox()
    {
        StationCombo box;
        box.setRows({ "p", "a", "b" });
        box.setRow(1);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        QSignalSpy changed(&box, &StationCombo::changed);
        QSignalSpy closed(&box, &StationCombo::popupClosed);
        QTest::keyClick(&box, Qt::Key_Down);
        QCOMPARE(box.row(), 2);
        QCOMPARE(changed.size(), 1);
        QCOMPARE(closed.size(), 0);
    }

    // Hovering moves the row; the close event comes after the row was set to
    // the one last highlighted.
    void comboHoverThenChoose()
    {
        StationCombo box;
        box.setRows({ "prompt", "a", "b", "c" });
        box.setRow(1);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        QList<int> rowsSeen;
        int rowAtClose = -2;
        connect(&box, &StationCombo::changed, this, [&] { rowsSeen << box.row(); });
        connect(&box, &StationCombo::popupClosed, this, [&] { rowAtClose = box.row(); });
        box.showPopup();
        QTRY_VERIFY(box.view()->isVisible());
        box.view()->setCurrentIndex(box.model()->index(0, 0)); // pointer over the prompt
        box.view()->setCurrentIndex(box.model()->index(3, 0));
        QCOMPARE(rowsSeen, (QList<int> { 0, 3 }));
        QTest::keyClick(box.view(), Qt::Key_Return);
        QTRY_VERIFY(!box.view()->isVisible());
        QCOMPARE(rowAtClose, 3);
    }

    // Escape cancels: back on the row the box had when the list opened, and no
    // close event, so the page sends nothing.
    void comboEscapeCancels()
    {
        StationCombo box;
        box.setRows({ "prompt", "a", "b", "c" });
        box.setRow(1);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        int rowAtClose = -2, closes = 0;
        connect(&box, &StationCombo::popupClosed, this, [&] {
            rowAtClose = box.row();
            ++closes;
        });
        box.showPopup();
        QTRY_VERIFY(box.view()->isVisible());
        box.view()->setCurrentIndex(box.model()->index(3, 0));
        QCOMPARE(box.row(), 3);
        QTest::keyClick(box.view(), Qt::Key_Escape);
        QTRY_VERIFY(!box.view()->isVisible());
        QCOMPARE(box.row(), 1);
        QCOMPARE(closes, 0);
        QCOMPARE(rowAtClose, -2);
    }

    void comboClickElsewhereCloses()
    {
        StationCombo box;
        box.setRows({ "prompt", "a" });
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        QSignalSpy closed(&box, &StationCombo::popupClosed);
        box.showPopup();
        QTRY_VERIFY(box.view()->isVisible());
        box.view()->parentWidget()->close();
        QTRY_COMPARE(closed.size(), 1);
    }
};

QTEST_MAIN(TestWidgets)
#include "test_widgets.moc"
