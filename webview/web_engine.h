#pragma once

#include <QString>

// Start settings of the embedded browser engine. Must run before the
// QApplication is created.
void configureWebEngine();

// Checks that the engine's resource files are where Qt WebEngine will look for
// them; fails with a clear message otherwise, so the program can stop at window
// creation with an error box instead of aborting inside the engine.
void checkWebEngineInstalled();
