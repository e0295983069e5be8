#include "webview/web_engine.h"
#include "base/failure.h"
#include "platform/process.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLoggingCategory>

QByteArray engineFlags(const QByteArray &inherited, bool root)
{
    // Flags from the environment that change only how the page is drawn. Any
    // other (--no-sandbox, --single-process, --remote-debugging-port and the
    // many more that open the engine up) is dropped: a box's page must not
    // get out of its sandbox because of what the session happens to set.
    static const QList<QByteArray> harmless { "--disable-gpu", "--disable-gpu-compositing",
        "--disable-software-rasterizer", "--force-device-scale-factor", "--force-dark-mode",
        "--force-renderer-accessibility", "--lang" };
    QList<QByteArray> flags;
    for (const QByteArray &flag : inherited.simplified().split(' ')) {
        const QByteArray name = flag.left(flag.indexOf('='));
        if (harmless.contains(name))
            flags << flag;
    }
    // No log output; the engine's defaults for everything else. A device's
    // page runs in the engine's own renderer process, so a page that crashes
    // or exhausts it leaves the window standing.
    flags << "--disable-logging"
          << "--log-level=3";
    // The renderer is sandboxed; Chromium's sandbox cannot start as root, and
    // only then it is switched off.
    if (root)
        flags << "--no-sandbox";
    return flags.join(' ');
}

void configureWebEngine()
{
    // The settings block comes in its own category; the sandbox note is an
    // info message of the default one, which the program does not use.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false\ndefault.info=false"));
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    // Qt keeps compiled shaders under ~/.cache otherwise: nothing of the
    // program goes under the home directory.
    QCoreApplication::setAttribute(Qt::AA_DisableShaderDiskCache);
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", engineFlags(qgetenv("QTWEBENGINE_CHROMIUM_FLAGS"), platform::runsAsRoot()));
    qunsetenv("QTWEBENGINE_REMOTE_DEBUGGING");
    // The device page reaches screen readers as the window does (Chromium's
    // renderer accessibility; on Linux the engine leaves it off without this).
    qputenv("QTWEBENGINE_ENABLE_LINUX_ACCESSIBILITY", "1");
    if (!platform::runsAsRoot())
        qunsetenv("QTWEBENGINE_DISABLE_SANDBOX");
}

void checkWebEngineInstalled()
{
    QString resources = qEnvironmentVariable("QTWEBENGINE_RESOURCES_PATH");
    if (resources.isEmpty())
        resources = QLibraryInfo::path(QLibraryInfo::DataPath) + QStringLiteral("/resources");
    const QString pak = QDir(resources).filePath(QStringLiteral("qtwebengine_resources.pak"));
    if (!QFileInfo::exists(pak))
        throw Failure(Failure::tr("The browser engine cannot be started: %1 is missing").arg(pak));
}
