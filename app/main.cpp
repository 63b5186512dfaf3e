#include "app/KestruneApp.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kestrune"));
    QApplication::setDesktopFileName(QStringLiteral("kestrune"));
    // The window is Russian throughout; Qt's own buttons ("Да", "Нет") must read so too.
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(QLocale::Russian, QLocale::Russia), QStringLiteral("qtbase"),
                          QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(&qtTranslator);
    }

    CKestruneApp app;
    app.InitInstance();
    return app.ExitInstance();
}
