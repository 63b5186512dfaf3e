#include "gui/Settings.h"

#include <QSettings>

namespace {

// Lower case, as the package and its desktop entry are named.
const QString kOrganisation = QStringLiteral("kestrune");
const QString kApplication = QStringLiteral("kestrune");

} // namespace

ConsoleServices WithQtSettings(const ConsoleServices& services) {
    ConsoleServices withSettings = services;
    if (!withSettings.loadSetting)
        withSettings.loadSetting = [](const std::string& name) {
            const QSettings settings(kOrganisation, kApplication);
            return settings.value(QString::fromStdString(name)).toString().toStdString();
        };
    if (!withSettings.storeSetting)
        withSettings.storeSetting = [](const std::string& name, const std::string& value) {
            QSettings settings(kOrganisation, kApplication);
            settings.setValue(QString::fromStdString(name), QString::fromStdString(value));
        };
    return withSettings;
}
