#pragma once

#include <QByteArray>
#include <QString>

// The engine's command-line flags: those of `inherited` that only change how
// pages are drawn, then the program's own; the sandbox is off only for root.
QByteArray engineFlags(const QByteArray &inherited, bool root);

// Start settings of the embedded browser engine, whatever the environment
// holds, and a quiet start: the engine's block of settings and its note that
// the sandbox is off (as root) are not printed; QT_LOGGING_RULES can still
// turn them on, and warnings are printed as ever. Must run before the
// QApplication is created.
void configureWebEngine();

// Checks that the engine's resource files are where Qt WebEngine will look for
// them; fails with a clear message otherwise, so the program can stop at window
// creation with an error box instead of aborting inside the engine.
void checkWebEngineInstalled();
