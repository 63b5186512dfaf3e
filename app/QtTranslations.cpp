#include "app/QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

bool InstallQtTranslations(QCoreApplication& application) {
    // Russian whatever the user's locale: every other text of the window is Russian.
    auto* translator = new QTranslator(&application);
    if (!translator->load(QLocale(QLocale::Russian, QLocale::Russia), QStringLiteral("qtbase"),
                          QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        qWarning("Qt's Russian translations (qtbase_ru.qm) are not in %s; the standard buttons "
                 "will read in English",
                 qPrintable(QLibraryInfo::path(QLibraryInfo::TranslationsPath)));
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}
