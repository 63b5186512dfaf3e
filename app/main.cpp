#include "app/KestruneApp.h"
#include "app/QtTranslations.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kestrune"));
    // The desktop entry's name: desktops match the window to its menu entry and icon.
    QApplication::setDesktopFileName(QStringLiteral("kestrune"));
    InstallQtTranslations(application);

    CKestruneApp app;
    app.InitInstance();
    return app.ExitInstance();
}
