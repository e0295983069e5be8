#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>

// The language the program speaks: the first of the user's UI languages that
// one of `available` serves (by its language code), or English when none does,
// since two source texts are Greek. In the C locale (only "C" or nothing) the
// source texts stand as they are: the result is empty.
QString programLanguage(const QStringList &uiLanguages, const QStringList &available);

// Installs the program's catalogs (":/i18n/<catalog>_<language>.qm") and Qt's
// own translations for the language programLanguage() chooses; the languages
// on offer are those of the first catalog; what an earlier call installed is
// removed first. Returns that language. Call it on the main thread, before any
// window or message is made.
QString installTranslations(
    const QStringList &catalogs, const QStringList &uiLanguages = QLocale::system().uiLanguages());
