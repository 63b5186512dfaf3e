#include "gui/Settings.h"

#include <QSettings>

ConsoleServices WithQtSettings(const ConsoleServices& services) {
    ConsoleServices withSettings = services;
    if (!withSettings.loadSetting)
        withSettings.loadSetting = [](const std::string& name) {
            const QSettings settings{QString::fromLatin1(kSettingsOrganisation),
                                     QString::fromLatin1(kSettingsApplication)};
            return settings.value(QString::fromStdString(name)).toString().toStdString();
        };
    if (!withSettings.storeSetting)
        withSettings.storeSetting = [](const std::string& name, const std::string& value) {
            QSettings settings{QString::fromLatin1(kSettingsOrganisation),
                               QString::fromLatin1(kSettingsApplication)};
            settings.setValue(QString::fromStdString(name), QString::fromStdString(value));
        };
    return withSettings;
}
