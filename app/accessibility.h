#pragma once

// What screen readers see of the window's own widgets: the volume sliders
// as values from 0 to 100 that can be set (as a key press sets them), the
// station boxes by their names with the chosen station as their value, the
// banner as a status bar named by its text.
// Installed once; later calls do nothing.
void installAccessibility();
