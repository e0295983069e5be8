// The window under a window manager that draws a frame (openbox on Xvfb): the
// outer size, frame included, is 600 by 700 and the window is centred; the
// error box shows no title text. A screenshot of the screen is kept.
#include "app/error_box.h"
#include "app/main_f.h"

#include <QApplication>
#include <QMessageBox>
#include <QProcess>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QWindow>

namespace {

QString x11(const QStringList &arguments)
{
    QProcess process;
    process.start(arguments.first(), arguments.mid(1));
    process.waitForFinished(5000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The frame's size from the window manager, independent of Qt: the client
// window's size plus _NET_FRAME_EXTENTS.
QSize outerSize(WId window)
{
    const QString info = x11({ "xwininfo", "-id", QString::number(window) });
    const auto field = [&info](const char *name) {
        const auto at = info.indexOf(QLatin1String(name));
        return at < 0 ? -1 : info.mid(at + int(strlen(name))).section(u'\n', 0, 0).trimmed().toInt();
    };
    const QString extents = x11({ "xprop", "-id", QString::number(window), "_NET_FRAME_EXTENTS" });
    const QStringList e = extents.section(u'=', 1).split(u',');
    if (e.size() != 4)
        return {};
    return { field("Width:") + e[0].toInt() + e[1].toInt(), field("Height:") + e[2].toInt() + e[3].toInt() };
}

} // namespace

class TestFrame : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY2(QGuiApplication::platformName() == QLatin1String("xcb"), "needs an X display with openbox");
        errorbox::setTestHook([](const QString &text) { qWarning("error box: %s", qPrintable(text)); });
    }

    void outerSizeWithAFrame()
    {
        Tmain window(Tmain::Options { false });
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTRY_COMPARE_WITH_TIMEOUT(window.frameGeometry().size(), QSize(600, 700), 5000);
        QVERIFY(!window.windowHandle()->frameMargins().isNull());
        QTRY_COMPARE_WITH_TIMEOUT(outerSize(window.winId()), QSize(600, 700), 3000);
        const QRect area = window.screen()->availableGeometry();
        QTRY_COMPARE_WITH_TIMEOUT(window.frameGeometry().topLeft(),
            QPoint(area.x() + (area.width() - 600) / 2, area.y() + (area.height() - 700) / 2), 3000);
        QTest::qWait(300);
        x11({ "import", "-window", "root", QStringLiteral(ORVEX_BUILD_DIR "/frame-shot.png") });
    }

    // The window's error box: modal to the window, opened without an event
    // loop of its own, with no title text.
    void errorBoxHasNoTitleText()
    {
        errorbox::setTestHook({});
        Tmain window(Tmain::Options { false });
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        ErrorBoxes boxes(&window);
        bool closed = false;
        boxes.show(QStringLiteral("Socket Error # 111\r\nConnection refused."), [&] { closed = true; });
        QMessageBox *box = nullptr;
        QTRY_VERIFY((box = window.findChild<QMessageBox *>()) && box->isVisible());
        QCOMPARE(box->windowModality(), Qt::WindowModal);
        QTRY_COMPARE(x11({ "xprop", "-id", QString::number(box->winId()), "_NET_WM_NAME" }).trimmed(),
            QStringLiteral("_NET_WM_NAME(UTF8_STRING) = \" \""));
        QVERIFY(boxes.isOpen());
        box->accept();
        QTRY_VERIFY(closed);
        QVERIFY(!boxes.isOpen());
    }
};

QTEST_MAIN(TestFrame)
#include "test_frame.moc"
