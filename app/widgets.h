#pragma once

#include <QString>

class QLabel;

// A label that shows its text as plain text, with its object name: names,
// replies and network names come from boxes and the system and are never read
// as markup.
QLabel *plainLabel(const QString &name, const QString &text);
