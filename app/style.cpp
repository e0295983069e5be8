#include "app/style.h"

#include <QApplication>
#include <QFont>
#include <QPalette>
#include <QStyleFactory>

void applyStyle(QApplication &app)
{
    app.setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    const QColor base(0x1c, 0x1c, 0x1e);
    const QColor window(0x12, 0x12, 0x14);
    const QColor text(0xe6, 0xe6, 0xe6);
    const QColor highlight(0x4f, 0xc3, 0xf7);
    QPalette p;
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, window);
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, QColor(0x26, 0x26, 0x29));
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::Highlight, highlight);
    p.setColor(QPalette::HighlightedText, Qt::black);
    p.setColor(QPalette::ToolTipBase, base);
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0x80, 0x80, 0x80));
    p.setColor(QPalette::Disabled, QPalette::Text, QColor(0x80, 0x80, 0x80));
    p.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(0x80, 0x80, 0x80));
    app.setPalette(p);

    QFont font = app.font();
    font.setPixelSize(14);
    app.setFont(font);

    app.setStyleSheet(QStringLiteral(
        "#HeaderToolBar { background: #dcebf5; border-bottom: 2px solid #4fc3f7; }"
        "#infolab { font-size: 17px; font-weight: bold; }"
        "#Status { background: #0c0c0e; border-top: 1px solid #2c2c30; }"
        "QTabWidget::pane { border: none; }"
        "QTabBar::tab { background: #1f1f23; color: #d0d0d0; border: none; border-bottom: 3px solid #1f1f23; }"
        "QTabBar::tab:selected { color: #4fc3f7; border-bottom: 3px solid #4fc3f7; }"
        "QTabBar::tab:disabled { color: #6a6a6a; }"
        "QPushButton { background: #26262a; border: 1px solid #3a3a40; border-radius: 6px; padding: 6px; }"
        "QPushButton:hover { border-color: #4fc3f7; }"
        "QPushButton:pressed { background: #4fc3f7; color: #000000; }"
        "QPushButton:disabled { color: #6a6a6a; }"
        // The keyboard's focus: a ring in the accent colour, 9:1 on the dark
        // ground. Sliders and the check box keep a clear ring of the same width
        // when they have no focus, so that nothing moves as focus comes and goes.
        "QPushButton:focus, QListWidget:focus { border: 2px solid #4fc3f7; }"
        "QSlider, QCheckBox { border: 2px solid transparent; border-radius: 4px; }"
        "QSlider:focus, QCheckBox:focus { border-color: #4fc3f7; }"
        "QComboBox { background: #1c1c1e; border: 2px solid #3a3a40; border-radius: 4px; padding: 2px 6px; }"
        "QComboBox:focus { border-color: #4fc3f7; }"
        "QListWidget { border: 1px solid #2c2c30; }"
        "QListWidget::item { padding: 6px; }"
        "QListWidget::item:selected { background: #4fc3f7; color: #000000; }"));
}
