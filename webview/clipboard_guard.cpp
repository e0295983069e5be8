#include "webview/clipboard_guard.h"
#include "webview/page_input.h"

#include <QApplication>
#include <QMimeData>
#include <QWidget>

namespace {

// What is kept of a clipboard, to put back: every format, up to a bound.
constexpr qsizetype MaxKeptBytes = 4 * 1024 * 1024;

std::unique_ptr<QMimeData> copyOf(const QMimeData *data)
{
    auto copy = std::make_unique<QMimeData>();
    if (!data)
        return copy;
    qsizetype kept = 0;
    for (const QString &format : data->formats()) {
        const QByteArray bytes = data->data(format);
        if (kept + bytes.size() > MaxKeptBytes)
            break;
        kept += bytes.size();
        copy->setData(format, bytes);
    }
    return copy;
}

int slot(QClipboard::Mode mode)
{
    return mode == QClipboard::Selection ? 1 : 0;
}

} // namespace

ClipboardGuard::ClipboardGuard(QWidget *view, const PageInput &input)
    : QObject(view)
    , m_view(view)
    , m_input(input)
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    keep(QClipboard::Clipboard);
    if (clipboard->supportsSelection())
        keep(QClipboard::Selection);
    connect(clipboard, &QClipboard::changed, this, &ClipboardGuard::changed);
}

ClipboardGuard::~ClipboardGuard() = default;

void ClipboardGuard::keep(QClipboard::Mode mode)
{
    m_kept[slot(mode)] = copyOf(QGuiApplication::clipboard()->mimeData(mode));
}

void ClipboardGuard::changed(QClipboard::Mode mode)
{
    if (m_restoring || (mode != QClipboard::Clipboard && mode != QClipboard::Selection))
        return;
    QWidget *focus = QApplication::focusWidget();
    const bool pageHasKeyboard = focus && (focus == m_view || m_view->isAncestorOf(focus));
    const bool byTheUser = mode == QClipboard::Clipboard ? m_input.recentCopy() : m_input.recentSelection();
    if (!pageHasKeyboard || byTheUser) {
        keep(mode);
        return;
    }
    // The page wrote it: what was there before goes back.
    m_restoring = true;
    QGuiApplication::clipboard()->setMimeData(copyOf(m_kept[slot(mode)].get()).release(), mode);
    m_restoring = false;
}
