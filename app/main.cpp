#include "app/error_box.h"
#include "app/main_f.h"
#include "app/style.h"
#include "base/translations.h"
#include "webview/web_engine.h"

#include <QApplication>
#include <QIcon>

#include <memory>

int main(int argc, char *argv[])
{
    configureWebEngine();
    QApplication app(argc, argv);
    // The system's UI languages choose the texts (LANGUAGE, LC_ALL, LC_MESSAGES, LANG).
    installTranslations({ QStringLiteral("orvex_gui"), QStringLiteral("orvex_core") });
    // The icon in the title bar and the task bar; the desktop entry ties the
    // window to the menu's icon where the desktop asks for it.
    QIcon icon;
    for (const int size : { 48, 128, 256 })
        icon.addFile(QStringLiteral(":/icons/%1.png").arg(size));
    QApplication::setWindowIcon(icon);
    QApplication::setDesktopFileName(QStringLiteral("com.orvex.Manager"));
    applyStyle(app);
    std::unique_ptr<Tmain> window;
    try {
        window = std::make_unique<Tmain>();
    } catch (...) {
        // Window creation failed: report it and end without showing the window.
        errorbox::show(withFullStop(failureMessage(std::current_exception())));
        return 1;
    }
    window->show();
    return app.exec();
}
