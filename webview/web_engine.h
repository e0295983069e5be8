#pragma once

#include <QByteArray>
#include <QString>

// The engine's command-line flags: those of `inherited` that only change how
// pages are drawn, then the program's own; the sandbox is off only for root.
QByteArray engineFlags(const QByteArray &inherited, bool root);

// Start settings of the embedded browser engine, whatever the environment
// holds. Must run before the QApplication is created.
void configureWebEngine();

// Checks that the engine's resource files are where Qt WebEngine will look for
// them; fails with a clear message otherwise, so the program can stop at window
// creation with an error box instead of aborting inside the engine.
void checkWebEngineInstalled();
