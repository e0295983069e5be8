#pragma once

#include <QClipboard>
#include <QObject>

#include <memory>

class PageInput;
class QMimeData;
class QWidget;

// The box's page cannot write the clipboard: what changes on it while the
// page has the keyboard, without the user's own copy just before, is put
// back as it was. The X11 selection likewise, unless the user has just
// selected with the mouse or the keys.
class ClipboardGuard : public QObject
{
    Q_OBJECT

public:
    ClipboardGuard(QWidget *view, const PageInput &input);
    ~ClipboardGuard() override;

private:
    void changed(QClipboard::Mode mode);
    void keep(QClipboard::Mode mode);

    QWidget *m_view;
    const PageInput &m_input;
    bool m_restoring = false;
    // What each clipboard held after its last change that stood.
    std::unique_ptr<QMimeData> m_kept[2];
};
