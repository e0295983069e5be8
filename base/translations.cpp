#include "base/translations.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QTranslator>

namespace {

const auto CatalogDir = QStringLiteral(":/i18n");
const auto TranslatorName = QStringLiteral("orvex-translation");

// The languages that a catalog has files for: "orvex_gui_el.qm" offers "el".
QStringList languagesOf(const QString &catalog)
{
    QStringList languages;
    const QString prefix = catalog + u'_';
    for (const QString &file : QDir(CatalogDir).entryList({ prefix + QStringLiteral("*.qm") }, QDir::Files))
        languages << file.mid(prefix.size()).chopped(3);
    return languages;
}

void install(const QString &file, const QString &directory)
{
    auto *translator = new QTranslator(QCoreApplication::instance());
    translator->setObjectName(TranslatorName);
    if (translator->load(file, directory))
        QCoreApplication::installTranslator(translator);
    else
        delete translator;
}

} // namespace

QString programLanguage(const QStringList &uiLanguages, const QStringList &available)
{
    bool sourceLocale = true;
    for (const QString &ui : uiLanguages) {
        const QLocale locale(ui);
        if (locale.language() == QLocale::C)
            continue;
        sourceLocale = false;
        const QString code = QLocale::languageToCode(locale.language());
        if (available.contains(code))
            return code;
    }
    return sourceLocale ? QString() : QStringLiteral("en");
}

QString installTranslations(const QStringList &catalogs, const QStringList &uiLanguages)
{
    // A second call replaces what the first installed.
    const auto installed
        = QCoreApplication::instance()->findChildren<QTranslator *>(TranslatorName, Qt::FindDirectChildrenOnly);
    for (QTranslator *translator : installed) {
        QCoreApplication::removeTranslator(translator);
        delete translator;
    }
    if (catalogs.isEmpty())
        return {};
    const QString language = programLanguage(uiLanguages, languagesOf(catalogs.first()));
    if (language.isEmpty())
        return {};
    for (const QString &catalog : catalogs)
        install(catalog + u'_' + language, CatalogDir);
    // Qt's own texts (dialog buttons, the browser's menus) in the same language
    // where Qt has them; English otherwise.
    install(QStringLiteral("qt_") + language, QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    return language;
}
