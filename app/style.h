#pragma once

class QApplication;

// The window's look: Fusion with a dark palette and light-blue highlights.
void applyStyle(QApplication &app);
