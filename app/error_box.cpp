#include "app/error_box.h"

#include <QApplication>
#include <QMessageBox>

namespace errorbox {
namespace {

std::function<void(const QString &)> &testHook()
{
    static std::function<void(const QString &)> hook;
    return hook;
}

QMessageBox *makeBox(const QString &text, QWidget *parent)
{
    // An empty title would show the program's name on X11; a single blank
    // shows no title text.
    auto *box = new QMessageBox(QMessageBox::NoIcon, QStringLiteral(" "), text, QMessageBox::Ok, parent);
    // The text comes from a box or the system: plain text, never markup.
    box->setTextFormat(Qt::PlainText);
    // The title stays blank; screen readers say whose error it is.
    box->setAccessibleName(QApplication::translate("errorbox", "Orvex Manager error"));
    return box;
}

} // namespace

void show(const QString &text)
{
    if (testHook()) {
        testHook()(text);
        return;
    }
    QMessageBox *box = makeBox(text, QApplication::activeWindow());
    box->exec();
    delete box;
}

void setTestHook(std::function<void(const QString &)> hook)
{
    testHook() = std::move(hook);
}

} // namespace errorbox

ErrorBoxes::ErrorBoxes(QWidget *window)
    : QObject(window)
    , m_window(window)
{
}

ErrorBoxes::~ErrorBoxes()
{
    delete m_open;
}

void ErrorBoxes::show(const QString &text, std::function<void()> closed)
{
    if (errorbox::testHook()) {
        errorbox::testHook()(text);
        if (closed)
            closed();
        return;
    }
    m_waiting.push_back({ text, std::move(closed) });
    if (m_showing)
        return;
    m_showing = true;
    emit openChanged(true);
    openNext();
}

void ErrorBoxes::openNext()
{
    if (m_waiting.empty()) {
        m_showing = false;
        emit openChanged(false);
        return;
    }
    Waiting next = std::move(m_waiting.front());
    m_waiting.pop_front();
    m_open = errorbox::makeBox(next.text, m_window);
    m_open->setWindowModality(Qt::WindowModal);
    m_open->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_open, &QMessageBox::finished, this, [this, closed = std::move(next.closed)] {
        m_open = nullptr;
        // What comes next runs from the event loop, not inside this box's closing.
        QMetaObject::invokeMethod(
            this,
            [this, closed] {
                if (closed)
                    closed();
                openNext();
            },
            Qt::QueuedConnection);
    });
    m_open->open();
}
