#include "webview/web_engine.h"
#include "base/failure.h"
#include "platform/process.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>

void configureWebEngine()
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    // No log output, no remote debugging; the engine's defaults for everything
    // else. A device's page runs in the engine's own renderer process, so a page
    // that crashes or exhausts it leaves the window standing.
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    flags += " --disable-logging --log-level=3";
    // The renderer is sandboxed; Chromium's sandbox cannot start as root, and
    // only then it is switched off.
    if (platform::runsAsRoot())
        flags += " --no-sandbox";
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags.trimmed());
    qunsetenv("QTWEBENGINE_REMOTE_DEBUGGING");
}

void checkWebEngineInstalled()
{
    QString resources = qEnvironmentVariable("QTWEBENGINE_RESOURCES_PATH");
    if (resources.isEmpty())
        resources = QLibraryInfo::path(QLibraryInfo::DataPath) + QStringLiteral("/resources");
    const QString pak = QDir(resources).filePath(QStringLiteral("qtwebengine_resources.pak"));
    if (!QFileInfo::exists(pak))
        throw Failure(QStringLiteral("The browser engine cannot be started: %1 is missing").arg(pak));
}
