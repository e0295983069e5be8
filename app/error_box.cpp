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
} // namespace

void show(const QString &text)
{
    if (testHook()) {
        testHook()(text);
        return;
    }
    // An empty title would show the program's name on X11; a single blank
    // shows no title text.
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral(" "), text, QMessageBox::Ok, QApplication::activeWindow());
    // The text comes from a box or the system: plain text, never markup.
    box.setTextFormat(Qt::PlainText);
    // The title stays blank; screen readers say whose error it is.
    box.setAccessibleName(QApplication::translate("errorbox", "Orvex Manager error"));
    box.exec();
}

void setTestHook(std::function<void(const QString &)> hook)
{
    testHook() = std::move(hook);
}

} // namespace errorbox
